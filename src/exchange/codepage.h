#pragma once

#include <QByteArray>
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

private:
    explicit CodePage(const char* name);

    std::array<char, 0x10000> m_byteOf{}; // Unicode to byte; 0 where the code page has none
};
