#include "store/daycount.h"

#include <cmath>

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsecsPerDay = 86400000;

// Days and milliseconds of the day, the milliseconds rounded and carried into the days.
std::pair<qint64, qint64> split(double days)
{
    qint64 whole = qint64(std::floor(days));
    qint64 msecs = qint64(std::llround((days - double(whole)) * double(kMsecsPerDay)));
    if (msecs >= kMsecsPerDay) {
        ++whole;
        msecs -= kMsecsPerDay;
    }
    return {whole, msecs};
}

} // namespace

double toDayCount(const QDate& date, const QTime& time)
{
    const double days = double(kEpoch.daysTo(date));
    return days + double(time.msecsSinceStartOfDay()) / double(kMsecsPerDay);
}

double toDayCount(const QDateTime& dateTime)
{
    return toDayCount(dateTime.date(), dateTime.time());
}

QDate dayCountDate(double days)
{
    return kEpoch.addDays(split(days).first);
}

QTime dayCountTime(double days)
{
    return QTime::fromMSecsSinceStartOfDay(int(split(days).second));
}

QDateTime fromDayCount(double days)
{
    // UTC: a day count has no daylight-saving gaps.
    return QDateTime(dayCountDate(days), dayCountTime(days), Qt::UTC);
}

QString formatDayCount(double days)
{
    return fromDayCount(days).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}
