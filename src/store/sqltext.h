#pragma once

#include <QString>

// Helpers that turn values into the text of Jet statements. Every typed or read value goes
// into a statement through one of these, so that no value can change a statement's shape.

// Replaces the first comma by a point unless the comma is the very first character.
QString CommaToPoint(const QString& text);

// "#mm/dd/yyyy hh.nn.ss#" whatever the regional settings.
QString SqlDateLiteral(double dayCount);

// A text literal: single quotes around, inner single quotes doubled.
QString sqlQuote(const QString& text);

// A number in general notation with up to 15 significant digits and a decimal point.
QString sqlNumber(double value);

// True when the text, as typed, is a plain decimal number that may stand in a statement
// unquoted: an optional sign, digits, at most one decimal point with digits around it.
bool isSqlNumberText(const QString& text);
