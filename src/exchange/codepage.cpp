#include "exchange/codepage.h"

#include <iconv.h>

#include <map>
#include <memory>
#include <string>

const CodePage& CodePage::named(const char* name)
{
    static std::map<std::string, std::unique_ptr<CodePage>> pages;
    std::unique_ptr<CodePage>& page = pages[name];
    if (!page)
        page.reset(new CodePage(name));
    return *page;
}

CodePage::CodePage(const char* name)
{
    m_upperHalf.fill(char16_t(0xFFFD));
    // Only the upper half differs between these code pages and ASCII.
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == iconv_t(-1))
        return;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char in = char(byte);
        char16_t out[2] = {};
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        const bool defined =
            iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && outLeft == sizeof out - 2;
        m_upperHalf[size_t(byte - 0x80)] = defined ? out[0] : char16_t(0xFFFD);
        if (defined)
            m_byteOf[out[0]] = in;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
}

void CodePage::append(QByteArray& out, QStringView text, bool* lossy) const
{
    // One byte per UTF-16 unit at most: grow once, write through a pointer, trim the rest.
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* next = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const char byte = u < 0x80 ? char(u) : m_byteOf[u];
        if (byte != 0 || u == 0) {
            *next++ = byte;
            continue;
        }
        // One character outside the code page is one "?", also when it takes two UTF-16 units.
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        *next++ = '?';
        if (lossy)
            *lossy = true;
    }
    out.truncate(next - out.constData());
}

QString CodePage::decode(QByteArrayView bytes) const
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = uchar(byte);
        *out++ = QChar(b < 0x80 ? char16_t(b) : m_upperHalf[b - 0x80]);
    }
    return text;
}
