#pragma once

#include <QDateTime>
#include <QString>

// Date-times are stored and computed as day counts: whole days since 30 December 1899,
// the fraction being the time of day. They carry no time zone; the clock decides what
// they mean (the log holds UTC).

constexpr double kSecondsPerDay = 86400.0;

double toDayCount(const QDate& date, const QTime& time);
double toDayCount(const QDateTime& dateTime);

// Whole days and time of day of a day count; the time is rounded to the millisecond.
QDate dayCountDate(double days);
QTime dayCountTime(double days);
QDateTime fromDayCount(double days);

// "dd.MM.yyyy hh:mm:ss", a fixed form for diagnostics and plain value text.
QString formatDayCount(double days);
