#include "exchange/codepage.h"

#include <QHash>

#include <iconv.h>

#include <map>
#include <string>

namespace {

// The upper half of a single-byte code page as iconv decodes it, Unicode to byte: read
// once per code page, so that encoding a file is a table lookup per character.
const QHash<char16_t, char>& upperHalf(const char* codePage)
{
    static std::map<std::string, QHash<char16_t, char>> tables;
    auto found = tables.find(codePage);
    if (found != tables.end())
        return found->second;
    QHash<char16_t, char>& table = tables[codePage];
    iconv_t cd = iconv_open("UTF-16LE", codePage);
    if (cd == iconv_t(-1))
        return table;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char in = char(byte);
        char16_t out[2] = {};
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && outLeft == sizeof out - 2)
            table.insert(out[0], in);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return table;
}

} // namespace

QByteArray toCodePage(const QString& text, const char* codePage, bool* lossy)
{
    const QHash<char16_t, char>& table = upperHalf(codePage);
    QByteArray result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x80) { // both code pages keep ASCII as it is
            result += char(c.unicode());
            continue;
        }
        const auto it = table.constFind(c.unicode());
        if (it != table.constEnd()) {
            result += *it;
        } else {
            result += '?';
            if (lossy)
                *lossy = true;
        }
    }
    return result;
}
