#pragma once

#include <QUrl>

class QWidget;

// What the program asks of the desktop around it.
class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual bool openUrl(const QUrl& url) = 0;
    virtual void beep() = 0;
    // Whether Ctrl is held at this moment (not as of the last event).
    virtual bool ctrlHeld() const = 0;
    // The window asks for the operator's attention (the task bar flashes it), when not active.
    virtual void askAttention(QWidget* window) = 0;
};

// A source of random numbers, so that tests can know the confirmation code.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // A number from 0 to bound - 1, each with the same chance.
    virtual int bounded(int bound) = 0;
};
