#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One contact line of an EDI file as the viewer takes it.
struct EdiReadContact
{
    double dateTime = 0; // a day count, UTC
    QString call;
    QString locator; // upper-cased
    qint64 mode = 0;
    qint64 sentReport = 0;
    qint64 sentNumber = 0;
    qint64 receivedReport = 0;
    qint64 receivedNumber = 0;
    int line = 0; // its 1-based line number in the file
};

// What an EDI file shows: the header values, the contacts, and the 1-based numbers of the
// lines after "[QSORecords;" that could not be read as contacts.
struct EdiReading
{
    QString call;
    QString band;
    QString name;
    QList<EdiReadContact> contacts;
    QList<int> unreadLines;
};

// The text of an EDI file: UTF-8 when the bytes are valid UTF-8 (a byte-order mark is
// dropped), otherwise CP1251. No value for bytes that are no text (a NUL byte).
std::optional<QString> decodeEdiText(const QByteArray& bytes);

// Reads EDI text written by this program or any other, or by hand: the header keys matched
// anywhere in a line and case-sensitively, the contact lines from the line after the last
// "[QSORecords;" to the end. Blank lines, lines of separators only and lines that begin with
// "[" (trailers such as "[END;...]") are not contacts. A contact line is read as a person
// reads it: blanks around fields dropped, a blank mode as no mode, a date of eight digits
// (yyyymmdd), marks after a serial's digits ("012/"), a report and serial in one field with
// the serial field empty ("59001;;"), a locator glued to the received serial with its own
// field empty ("020 KN33GY;;"), a locator in lower case. A line with fewer than ten
// fields, a date or time that is not one, or a report or serial that is not a number is
// left out and its number kept.
EdiReading readEdiText(const QString& text);
