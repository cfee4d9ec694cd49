#include "logging/repeatrule.h"

#include "platform/localeformat.h"

#include <cmath>

namespace {

constexpr qint64 kMsecsPerDay = 86400000;

qint64 toMsecs(double days)
{
    return std::llround(days * double(kMsecsPerDay));
}

} // namespace

double NextTourStart(int seconds, double t)
{
    const double day = std::floor(t);
    const qint64 step = qint64(seconds) * 1000;
    if (step <= 0)
        return t;
    const qint64 intoDay = toMsecs(t) - toMsecs(day);
    const qint64 tour = std::min<qint64>(intoDay / step + 1, 1440);
    return day + double(tour * step) / double(kMsecsPerDay);
}

double nextAllowedContact(double last, double periodDays, bool tours)
{
    if (tours)
        return NextTourStart(int(std::nearbyint(periodDays * 86400.0)), last);
    return last + periodDays;
}

bool isTooEarly(double next, double now)
{
    return toMsecs(next) > toMsecs(now);
}

QString repeatRefusalText(const QString& call, const QString& band, const QString& mode, double periodDays,
                          double last, double next, double now)
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("Внимание! Временной период не позволяет внести эту запись в лог.") + br + br +
           QStringLiteral("Временной период между связями составляет: ") + formatTimeOfDay(periodDays) + br +
           QStringLiteral("Последняя связь с ") + call + QStringLiteral(" на ") + band + QLatin1Char('/') +
           mode + QStringLiteral(" была осуществленна: ") + formatDateAndTime(last) + br +
           QStringLiteral("Следующая связь с ") + call + QStringLiteral(" может быть после: ") +
           formatDateAndTime(next) + br + br + QStringLiteral("Подождите: ") + formatTimeOfDay(next - now) +
           br;
}

QString laterRepeatRefusalText(const QString& call, const QString& band, const QString& mode,
                               double periodDays, double later, double now, bool tours)
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("Внимание! Временной период не позволяет внести эту запись в лог.") + br + br +
           QStringLiteral("Временной период между связями составляет: ") + formatTimeOfDay(periodDays) + br +
           QStringLiteral("Более поздняя связь с ") + call + QStringLiteral(" на ") + band +
           QLatin1Char('/') + mode + QStringLiteral(" была осуществлена: ") + formatDateAndTime(later) + br +
           QStringLiteral("Эта связь (") + formatDateAndTime(now) +
           (tours ? QStringLiteral(") в том же туре.")
                  : QStringLiteral(") раньше неё меньше чем на период.")) +
           br;
}

int contactPoints(double distanceKm, double pointsPerKm)
{
    return int(std::nearbyint(distanceKm * pointsPerKm));
}

QString dayCountText(double days)
{
    return QString::number(qint64(std::trunc(days))) + QStringLiteral("д. ");
}

TimerCells timerCells(double last, double nowUtc, double periodDays, bool tours)
{
    TimerCells cells;
    const double elapsed = nowUtc - last;
    cells.elapsedText =
        elapsed > 1 ? dayCountText(elapsed) + formatTimeOfDay(elapsed) : formatTimeOfDay(elapsed);
    double remaining = 0;
    if (!tours) {
        cells.next = last + periodDays;
        remaining = periodDays - elapsed;
        cells.over = toMsecs(elapsed) > toMsecs(periodDays);
        cells.remainingText =
            (cells.over ? QStringLiteral("-") : QString()) +
            (remaining >= -1 ? formatTimeOfDay(remaining)
                             : dayCountText(std::fabs(remaining)) + formatTimeOfDay(remaining));
    } else {
        cells.next = NextTourStart(int(std::nearbyint(periodDays * 86400.0)), last);
        remaining = cells.next - nowUtc;
        cells.over = toMsecs(nowUtc) > toMsecs(cells.next);
        cells.remainingText = (cells.over ? QStringLiteral("-") : QString()) + formatTimeOfDay(remaining);
    }
    cells.nextText = formatDateAndTime(cells.next);
    const qint64 left = toMsecs(remaining);
    cells.beep = !cells.over && left >= 0 && left < 1000;
    return cells;
}
