#include "exchange/codepage.h"

#include <iconv.h>

#include <memory>

QByteArray toCodePage(const QString& text, const char* codePage, bool* lossy)
{
    iconv_t cd = iconv_open(codePage, "UTF-8");
    if (cd == iconv_t(-1))
        return QByteArray(text.size(), '?');
    const std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    QByteArray result;
    result.reserve(text.size());
    for (const QChar c : text) {
        // One character at a time, so that one the code page lacks costs only itself.
        QByteArray in = QString(c).toUtf8();
        char out[8];
        char* inPtr = in.data();
        size_t inLeft = size_t(in.size());
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || outPtr == out) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            result += '?';
            if (lossy)
                *lossy = true;
            continue;
        }
        result.append(out, int(outPtr - out));
    }
    return result;
}
