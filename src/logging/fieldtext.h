#pragma once

#include <QString>

#include <algorithm>

// What a call or locator field may hold. The EDI export writes them as they are, with ";"
// between the fields of a contact's line, so neither that separator nor a control character
// can be part of them.
inline bool isPlainFieldText(const QString& text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char(';') || c.category() == QChar::Other_Control;
    });
}

// A call as contest robots read it: Latin letters, digits and "/" only.
inline bool isCallText(const QString& call)
{
    return !call.isEmpty() && std::all_of(call.begin(), call.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '/';
    });
}
