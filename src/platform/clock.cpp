#include "platform/clock.h"

#include "store/daycount.h"

double utcNow(const Clock& clock, std::optional<int> correctionHours)
{
    const QDateTime now = clock.now();
    if (!correctionHours)
        return toDayCount(now.toUTC());
    return toDayCount(now.toLocalTime()) + *correctionHours / 24.0;
}
