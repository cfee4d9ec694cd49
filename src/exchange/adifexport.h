#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One contact as the ADIF file carries it.
struct AdifContact
{
    QString call;
    double dateTime = 0;  // a day count, UTC
    qint64 frequency = 0; // the band's BandRowid, its frequency in MHz
    QString modeName;     // as the log grid shows it
    QString sentReport;
    QString receivedReport;
    QString locator;
    std::optional<double> frequencyMHz; // the contact's own, as the rig gave it; FREQ when there is one
};

// The file name the export writes: ".adi" appended unless the name holds it (case matters).
QString adifFileName(const QString& chosen);

// The MODE value of a mode name: at most 15 characters, cut at its first "-"; a mixed mode
// ("SSB/CW") gives the mode sent, the part before the "/", as ADIF knows no mixed mode.
QString adifMode(const QString& modeName);

// The whole file: the header with the creation time as given, then one record per contact
// in the given order, each with the locator in QTH and, where readers look for it, in
// GRIDSQUARE (when it is a valid locator); FT4 and Q65 as MODE MFSK with their SUBMODE. The header
// says ADIF_VER 2.0, or 3.1.4 when a contact's mode is one of the digital modes ADIF 2 lacks.
// CP1251 with CR LF; a character the code page lacks becomes "?" and sets `lossy`.
QByteArray adifFile(const QString& ownCall, const QString& created, const QList<AdifContact>& contacts,
                    bool* lossy = nullptr);
