#include "platform/clock.h"

#include "store/daycount.h"

#include <cstdlib>

double utcNow(const Clock& clock, std::optional<int> correctionHours)
{
    const QDateTime now = clock.now();
    if (!correctionHours)
        return toDayCount(now.toUTC());
    return toDayCount(now.toLocalTime()) + *correctionHours / 24.0;
}

std::optional<int> correctionOfZonePosition(std::optional<int> position)
{
    if (!position || *position < 0 || *position >= kZoneOffsetEntries)
        return std::nullopt;
    return 12 - *position;
}

QString zoneOffsetText(int secondsEastOfUtc)
{
    const int minutes = std::abs(secondsEastOfUtc) / 60;
    QString text = secondsEastOfUtc > 0   ? QStringLiteral("+")
                   : secondsEastOfUtc < 0 ? QStringLiteral("-")
                                          : QString();
    text += QString::number(minutes / 60);
    if (minutes % 60)
        text += QStringLiteral(":%1").arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return text;
}

QString zoneMismatchText(std::optional<int> position, const QDateTime& now)
{
    const std::optional<int> correction = correctionOfZonePosition(position);
    if (!correction)
        return {};
    const int stored = -*correction * 3600;
    const int computer = now.offsetFromUtc();
    if (stored == computer)
        return {};
    return QStringLiteral("Часовой пояс в настройках: %1, у компьютера: %2")
        .arg(zoneOffsetText(stored), zoneOffsetText(computer));
}
