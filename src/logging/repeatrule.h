#pragma once

#include <QString>

// When the same call may be worked again on the same band and mode. With the interval
// rule the next contact is allowed one period after the last; with tours the day is cut
// into periods from midnight UTC and the next contact is allowed from the next tour.
// Times are day counts; comparisons are made to the millisecond, so a contact exactly at
// the end of its period is allowed whatever the rounding of the day counts.

// The start of the first tour after t: midnight of t's day plus a whole number of
// periods, at most 1440 of them.
double NextTourStart(int seconds, double t);

double nextAllowedContact(double last, double periodDays, bool tours);

// True while `next` is strictly later than `now`.
bool isTooEarly(double next, double now);

// The refusal an operator reads when a repeat comes too early.
QString repeatRefusalText(const QString& call, const QString& band, const QString& mode, double periodDays,
                          double last, double next, double now);
// The refusal of a contact made `now` that a stored `later` one repeats too early: the same
// first line, the later contact named.
QString laterRepeatRefusalText(const QString& call, const QString& band, const QString& mode,
                               double periodDays, double later, double now, bool tours);

// Points of a contact: distance times the band's factor, halves to the even neighbour.
int contactPoints(double distanceKm, double pointsPerKm);

// What the timer window shows for one call: when the next contact is allowed, how long ago
// the last one was, and how long is still to wait ("-" and the time since, once over).
struct TimerCells
{
    double next = 0;
    QString nextText;
    QString elapsedText;
    QString remainingText;
    bool over = false; // the wait is over: the text begins with "-"
    bool beep = false; // less than a second is left
};

TimerCells timerCells(double last, double nowUtc, double periodDays, bool tours);

// Whole days of a span, truncated, followed by "д. ".
QString dayCountText(double days);
