#pragma once

// What the entry panel asks of the repeat-contact timer window: while it shows, its period
// is the one a save applies, and its list follows every change of the log.
class RepeatTimer
{
public:
    virtual ~RepeatTimer() = default;
    virtual bool isShowing() const = 0;
    virtual double periodDays() const = 0;
    virtual void ReloadTimerList() = 0;
};
