#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text of a REG1TEST (EDI) contest report for one band, as the robots that read them
// expect it line for line. No window and no database: the export gathers the values.

// "007", "042", "123", "1234": at least three digits.
QString PadNumber3(qint64 number);

// A name cut at every single blank (a blank at the end adds no part, two in a row give an
// empty part) gives its parts; the "nalOpName" line exists only for exactly three.
QStringList nameParts(const QString& name);

// One operator of the station: the name, and what the personal data chose for it.
struct EdiOperator
{
    std::optional<QString> name;           // not set: no line
    std::optional<QString> gradeShortName; // empty text counts as not set
    std::optional<qint64> gradeCode;       // for the "nalOpRazr" line; not set: no line
    std::optional<int> yearOfBirth;
};

// The station's data as the header writes it; a value that is not set has no value here.
struct EdiStation
{
    QString contestName;
    std::optional<QDate> contestStart; // the IARU variant only
    std::optional<QDate> contestStop;
    QString ownCall;
    QString ownLocator;
    QString stationType; // the name; empty when not set
    std::optional<QString> club, rcall, country, city, address2, postCode, address1, phone, email;
    std::optional<QString> transmitter, power, receiver, antenna, antennaHeight, antennaHeight2;
    EdiOperator responsible, second, third;

    // The first letter of the station type, Latin a to z upper-cased only, is "M".
    bool isMultiOperator() const;
};

// One contact as the log holds it; a null number is written empty.
struct EdiContact
{
    double dateTime = 0; // day count, UTC
    QString call;
    QString mode, sentReport, sentNumber, receivedReport, receivedNumber; // decimal texts, numbers as stored
    QString locator;
};

// A field of a line and whether the OEM option converts it.
struct EdiField
{
    QString text;
    bool convertible = false;
};

// A line: the key text as written ("TName="), then its fields joined by ";".
struct EdiLine
{
    QString key;
    QList<EdiField> fields;
    QString text() const;
};

// The header lines, from "[REG1TEST;1]" to "SAntH=", each with its condition.
QList<EdiLine> ediHeader(const EdiStation& station, const QString& bandName);
// A contact line: fifteen fields joined by ";" (never converted to the OEM code page).
QString ediContactLine(const EdiContact& contact);

// The whole file: the header, "[QSORecords;N]", the contact lines, CR LF after every line.
// CP1251, or with `oem` the convertible fields in CP866. A character the code page cannot
// hold is written as "?", and the line's key (or "контакт N" for a contact line) is added
// to `changed`.
QByteArray encodeEdiFile(const QList<EdiLine>& header, const QList<EdiContact>& contacts, bool oem,
                         QStringList* changed = nullptr);
