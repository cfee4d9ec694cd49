#pragma once

#include "exchange/edifile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The IARU Region 1 variant of the EDI file: every REG1TEST 1.1 header key in the format's
// order, the claimed score, contact lines scored by the IARU rule, 7-bit ASCII with CR LF.
// The robots of international contests accept only this shape; the national variant
// (edifile.h) stays as it is. No window and no database: the export gathers the values.

// Cyrillic in Latin letters by the table of ICAO Doc 9303 (the one Russian passports use
// since 2014): Ж ZH, Х KH, Ц TS, Ч CH, Ш SH, Щ SHCH, Ъ IE, Ы Y, Ь left out, Ю IU, Я IA. A
// capital gives a capital first letter, and all capitals beside another capital
// ("Жуков" "Zhukov", "ЖУК" "ZHUK"). Other text outside printable ASCII becomes "?" and sets
// `lossy`.
QString icaoTransliterated(QStringView text, bool* lossy = nullptr);

// The band as the format's band table spells it, by its lower edge in MHz (the band's key);
// a band the table does not know keeps its own name.
QString iaruBandName(qint64 bandMHz, const QString& ownName);

// Great-circle distance in km between the centres of two six-character locators' sub-squares
// on the IARU's sphere of 6371.29 km; none when either is not a valid locator.
std::optional<double> iaruDistanceKm(const QString& own, const QString& other);

// One contact as the IARU file scores it.
struct IaruScoredContact
{
    EdiContact contact;
    int points = 0;
    bool newSquare = false; // the first valid contact in its four-character square
    bool duplicate = false; // a later contact with the same call on the band
};

// The band's claim: the valid contacts (six-character locator, not a duplicate), their
// points, the distinct squares, and the farthest one.
struct IaruClaim
{
    int validContacts = 0;
    qint64 points = 0;
    int squares = 0;
    QString bestCall, bestLocator;
    int bestKm = -1; // none yet
};

// Scores a band's contacts in the order of time (each keeps its place in the list): whole
// kilometres plus one (band multiplier 1), 0 for a locator that is not six valid characters,
// "N" on the first valid contact of each square, "D" with 0 points on every later contact with
// the same call.
QList<IaruScoredContact> scoreIaru(const QString& ownLocator, const QList<EdiContact>& contacts,
                                   IaruClaim* claim);

// The whole file of one band, CR LF after every line, a locator field of other than four or six
// valid characters left empty (the format has no other length), "[END;Kovra log <version>]" last. A
// character that could not be written is "?", and the line's key (or "контакт № N") goes to
// `changed`; a header line over 75 characters is written whole and its key goes to `longLines`.
// The power is written in watts, converted from the unit written with it; a power that reads as
// no number of a known unit is left empty and its key goes to `unreadable`. TDate and SAntH hold
// two values or none.
QByteArray encodeIaruEdiFile(const EdiStation& station, qint64 bandMHz, const QString& bandName,
                             const QList<EdiContact>& contacts, bool checklog, QStringList* changed,
                             QStringList* longLines, QStringList* unreadable = nullptr);
