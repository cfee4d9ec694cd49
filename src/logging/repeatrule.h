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

// Points of a contact: distance times the band's factor, halves to the even neighbour.
int contactPoints(double distanceKm, double pointsPerKm);
