#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

// A single-byte, ASCII-based code page ("CP1251", "CP866") as iconv maps it, read once, so
// that encoding a whole file is a table lookup per character.
class CodePage
{
public:
    static const CodePage& named(const char* name);

    // Appends the text's bytes. A character the code page cannot hold becomes "?", and
    // `lossy` (when given) is set.
    void append(QByteArray& out, QStringView text, bool* lossy = nullptr) const;

    // The text of bytes in this code page; a byte it does not define becomes U+FFFD.
    QString decode(QByteArrayView bytes) const;

private:
    explicit CodePage(const char* name);

    std::array<char, 0x10000> m_byteOf{};     // Unicode to byte; 0 where the code page has none
    std::array<char16_t, 0x80> m_upperHalf{}; // bytes 0x80 to 0xFF to Unicode
};
