#include "logging/logcheck.h"

#include "logging/fieldtext.h"
#include "logging/locator.h"
#include "logging/repeatrule.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>

namespace LogCheck {
namespace {

QString lineFor(const Contact& c, const QString& what)
{
    return QStringLiteral("%1, № %2, %3: %4").arg(c.band, c.serial, c.call, what);
}

Finding finding(const Contact& c, const QString& what)
{
    return {c.rowid, c.bandId, c.band, lineFor(c, what)};
}

} // namespace

std::vector<Finding> checkContacts(const std::vector<Contact>& contacts, const Rules& rules)
{
    // Band by band, in serial order, so that the list reads as the log does.
    std::vector<const Contact*> ordered;
    for (const Contact& c : contacts)
        ordered.push_back(&c);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Contact* a, const Contact* b) {
        if (a->bandId != b->bandId)
            return a->bandId < b->bandId;
        return a->serial.toLongLong() < b->serial.toLongLong();
    });

    // The first locator of each call, and the latest earlier contact of each call on a band
    // and mode, in the order of time.
    QHash<QString, const Contact*> firstLocator;
    std::vector<const Contact*> byTime = ordered;
    std::stable_sort(byTime.begin(), byTime.end(), [](const Contact* a, const Contact* b) {
        return a->dateTime.value_or(0) < b->dateTime.value_or(0);
    });
    QHash<const Contact*, const Contact*> tooEarlyAfter;
    QHash<QString, const Contact*> lastOnBandAndMode;
    for (const Contact* c : byTime) {
        const QString call = c->call.trimmed().toUpper();
        const QString key = QStringLiteral("%1|%2|%3").arg(call).arg(c->bandId).arg(c->modeId);
        if (const Contact* last = lastOnBandAndMode.value(key);
            last && c->dateTime && last->dateTime &&
            isTooEarly(nextAllowedContact(*last->dateTime, rules.repeatPeriodDays, rules.tours),
                       *c->dateTime))
            tooEarlyAfter.insert(c, last);
        lastOnBandAndMode.insert(key, c);
        QString locator = c->locator.trimmed();
        if (!firstLocator.contains(call) && LocatorIsValid(locator))
            firstLocator.insert(call, c);
    }

    struct BandNumbers
    {
        QString band;
        QSet<qint64> numbers;
        qint64 highest = 0;
    };
    std::vector<Finding> found;
    std::map<qint32, BandNumbers> numbersByBand;
    for (const Contact* c : ordered) {
        QString locator = c->locator.trimmed();
        const bool validLocator = LocatorIsValid(locator); // upper-cases it too
        if (!validLocator)
            found.push_back(finding(*c, QStringLiteral("неверный локатор \"%1\" (0 очков)").arg(c->locator)));
        if (!c->call.trimmed().isEmpty() && !isCallText(c->call.trimmed()))
            found.push_back(
                finding(*c, QStringLiteral("в позывном знаки кроме латинских букв, цифр и \"/\"")));
        if (const Contact* last = tooEarlyAfter.value(c))
            found.push_back(finding(*c, QStringLiteral("повтор раньше срока после № %1 в %2")
                                            .arg(last->serial, formatDayCount(*last->dateTime))));
        const Contact* first = firstLocator.value(c->call.trimmed().toUpper());
        if (validLocator && first && first != c && first->locator.trimmed().toUpper() != locator)
            found.push_back(finding(
                *c, QStringLiteral("локатор %1, а в № %2 (%3) %4")
                        .arg(locator, first->serial, first->band, first->locator.trimmed().toUpper())));
        bool numeric = false;
        const qint64 serial = c->serial.toLongLong(&numeric);
        if (numeric && serial > 0) {
            BandNumbers& band = numbersByBand[c->bandId];
            if (band.numbers.contains(serial))
                found.push_back(
                    finding(*c, c->position.isEmpty()
                                    ? QStringLiteral("номер повторяется")
                                    : QStringLiteral("номер повторяется (позиция «%1»)").arg(c->position)));
            band.band = c->band;
            band.numbers.insert(serial);
            band.highest = std::max(band.highest, serial);
        }
        if (c->dateTime &&
            ((rules.start && *c->dateTime < *rules.start) || (rules.stop && *c->dateTime > *rules.stop)))
            found.push_back(
                finding(*c, QStringLiteral("время %1 вне соревнования").arg(formatDayCount(*c->dateTime))));
    }
    // Missing numbers, from 1 to the band's highest, one line a gap, after the band's other
    // lines (the list runs band by band).
    for (const auto& [bandId, band] : numbersByBand) {
        std::vector<Finding> missing;
        for (qint64 n = 1; n < band.highest; ++n) {
            if (band.numbers.contains(n))
                continue;
            qint64 last = n;
            while (last + 1 < band.highest && !band.numbers.contains(last + 1))
                ++last;
            const QString numbers = last == n ? QStringLiteral("№ %1: номер пропущен").arg(n)
                                              : QStringLiteral("№ %1–%2: номера пропущены").arg(n).arg(last);
            missing.push_back({0, bandId, band.band, band.band + QStringLiteral(", ") + numbers});
            n = last;
        }
        const auto nextBand = std::find_if(found.begin(), found.end(),
                                           [id = bandId](const Finding& f) { return f.bandId > id; });
        found.insert(nextBand, missing.begin(), missing.end());
    }
    return found;
}

std::vector<Finding> checkPersonalData(LogStore& store)
{
    std::vector<Finding> found;
    for (const char* key : {"PCall", "PWWLo", "RCall"}) {
        const DbValue value = store.GetSetInfo(QString::fromLatin1(key));
        if (value.isNull() || value.displayText().trimmed().isEmpty())
            found.push_back({0, 0, QString(),
                             QStringLiteral("Личные данные: не заполнено %1").arg(QString::fromLatin1(key))});
    }
    // The own locator is where every distance is measured from.
    const DbValue own = store.GetSetInfo(QStringLiteral("PWWLo"));
    QString ownLocator = own.isNull() ? QString() : own.displayText().trimmed();
    if (!ownLocator.isEmpty() && !LocatorIsValid(ownLocator))
        found.push_back(
            {0, 0, QString(),
             QStringLiteral("Личные данные: неверный свой локатор PWWLo \"%1\"").arg(own.displayText())});
    // The station type is a place in its list.
    const int types =
        int(store.db().query(QStringLiteral("SELECT StationTypeRowid FROM StationType")).rows.size());
    if (storedListPosition(store.GetSetInfo(QStringLiteral("PSect")), types) < 0)
        found.push_back({0, 0, QString(), QStringLiteral("Личные данные: не заполнено PSect")});
    return found;
}

std::vector<Contact> contestContacts(LogStore& store, qint32 contestId)
{
    std::vector<Contact> contacts;
    store.db().queryEach(
        QStringLiteral(
            "SELECT ContestListRowid, IdBand, BandName, IdModulation, ContestListCall, ContestListQTH, "
            "ContestListSendNum, ContestListDateTime, ContestListPosition FROM ContestList LEFT JOIN [Band] "
            "ON "
            "[Band].BandRowid=ContestList.IdBand WHERE IdContest=%1 ORDER BY ContestListRowid")
            .arg(contestId),
        [&](const ResultRow& row) {
            Contact c;
            c.rowid = row[0].toInt();
            c.bandId = qint32(row[1].toInt());
            c.band = row[2].isNull() ? row[1].displayText() : row[2].displayText();
            c.modeId = qint32(row[3].toInt());
            c.call = row[4].displayText();
            c.locator = row[5].displayText();
            c.serial = row[6].displayText();
            if (row[7].isNumeric())
                c.dateTime = row[7].toDouble();
            c.position = row[8].displayText();
            contacts.push_back(c);
        });
    return contacts;
}

Rules contestRules(LogStore& store, qint32 contestId, double repeatPeriodDays, bool tours)
{
    Rules rules;
    rules.repeatPeriodDays = repeatPeriodDays;
    rules.tours = tours;
    store.db().queryEach(
        QStringLiteral("SELECT ContestDTStart, ContestDTStop FROM Contest WHERE ContestRowid=%1")
            .arg(contestId),
        [&](const ResultRow& row) {
            if (row[0].isNumeric())
                rules.start = row[0].toDouble();
            if (row[1].isNumeric())
                rules.stop = row[1].toDouble();
        });
    return rules;
}

QString nothingFoundText()
{
    return QStringLiteral("Замечаний нет: лог готов к отправке.");
}

} // namespace LogCheck
