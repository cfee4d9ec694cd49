#pragma once

#include <QDateTime>

// The computer's local time. The program derives UTC from it with the operator's offset.
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
