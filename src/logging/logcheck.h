#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class LogStore;

// What a contest robot would question in a contest's log, found before the log is sent.
namespace LogCheck {

struct Contact
{
    qint64 rowid = 0;
    qint32 bandId = 0;
    QString band; // the band's name, as the lines show it
    qint32 modeId = 0;
    QString call;
    QString locator;
    QString serial;                 // the sent number as stored
    std::optional<double> dateTime; // a day count, UTC
    QString position;               // the position that logged it, in a shared contest
};

struct Rules
{
    double repeatPeriodDays = 0;
    bool tours = false;
    std::optional<double> start; // the contest's start and stop, day counts
    std::optional<double> stop;
};

struct Finding
{
    qint64 rowid = 0; // the contact, or 0 for a missing number or personal data
    qint32 bandId = 0;
    QString band; // the band's name, empty for personal data
    QString text; // "band, № serial, call: what", or what alone
};

// Every finding in the contacts of one contest, band by band in serial order.
std::vector<Finding> checkContacts(const std::vector<Contact>& contacts, const Rules& rules);

// The personal data the export needs and that is empty: PCall, PWWLo, PSect and RCall.
std::vector<Finding> checkPersonalData(LogStore& store);

// The contacts, band names and rules of a contest, read from the log.
std::vector<Contact> contestContacts(LogStore& store, qint32 contestId);
Rules contestRules(LogStore& store, qint32 contestId, double repeatPeriodDays, bool tours);

// The one line an empty list shows.
QString nothingFoundText();

} // namespace LogCheck
