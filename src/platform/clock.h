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

// The stored time zone choice is a position in the zone list: 0 to 24 are the whole-hour
// offsets -12 to +12, and the entry after them is the computer's own clock, which follows
// its changes to and from summer time.
constexpr int kZoneOffsetEntries = 25;
constexpr int kComputerClockPosition = 25;

// The correction in hours a stored position gives (local time plus it is UTC); none for the
// computer's own clock, nothing stored, or a position the list does not have.
std::optional<int> correctionOfZonePosition(std::optional<int> position);

// An offset as the zone list writes it: "0", "+2", "-5", and "+5:30" for the zones that
// are not whole hours.
QString zoneOffsetText(int secondsEastOfUtc);

// "Часовой пояс в настройках: +1, у компьютера: +2" when a stored whole-hour entry is not
// the computer's offset at `now`; empty when they agree or the computer's clock is chosen.
QString zoneMismatchText(std::optional<int> position, const QDateTime& now);
