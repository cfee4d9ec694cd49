#pragma once

#include <QByteArray>
#include <QString>

// Text into the bytes of a single-byte, ASCII-based code page ("CP1251", "CP866"), as iconv
// maps them. A character the code page cannot hold becomes "?", and `lossy` (when given)
// is set.
QByteArray toCodePage(const QString& text, const char* codePage, bool* lossy = nullptr);
