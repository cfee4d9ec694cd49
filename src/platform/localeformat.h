#pragma once

#include <QString>

// Dates and times shown to the operator follow the system's regional settings: the short
// date and the long time format (without a time zone, since logged times carry none).
QString shortDateFormat();
QString longTimeFormat();

// "short date" + blank + "long time" of a day count.
QString formatDateAndTime(double dayCount);
// The fraction of the day of a value in the long time format, hours unpadded; whole days
// are dropped and a negative value reads as its absolute value.
QString formatTimeOfDay(double dayCount);
// A number as the operator reads it: up to 15 significant digits, the system's separator.
QString formatGeneralNumber(double value);
