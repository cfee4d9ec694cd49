#pragma once

#include <QDateTime>

#include <optional>

// The computer's time, as an instant. The program's UTC comes from it (utcNow).
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// UTC now as a day count, the one source of it for the clock, the stamps, the timer window
// and the repeat rule: the system's own UTC until the operator has chosen a time zone, then
// the computer's local time plus the chosen correction in whole hours.
double utcNow(const Clock& clock, std::optional<int> correctionHours);
