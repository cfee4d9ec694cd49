#include "onair/telnetlines.h"

#include <QStringDecoder>

#include <utility>

namespace {

constexpr unsigned char kIac = 0xFF;
constexpr unsigned char kSubBegin = 0xFA;
constexpr unsigned char kSubEnd = 0xF0;
constexpr unsigned char kWill = 0xFB; // WILL, WONT, DO and DONT take one option byte

QString decodeLine(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text.trimmed();
}

} // namespace

QStringList TelnetLines::read(const QByteArray& bytes)
{
    QStringList lines;
    for (const char c : bytes)
        takeByte(c, lines);
    return lines;
}

QString TelnetLines::openLine() const
{
    return decodeLine(m_line);
}

void TelnetLines::reset()
{
    m_telnet = Telnet::Data;
    m_line.clear();
}

void TelnetLines::takeByte(char c, QStringList& lines)
{
    const auto byte = static_cast<unsigned char>(c);
    switch (m_telnet) {
    case Telnet::Data:
        if (byte == kIac) {
            m_telnet = Telnet::Command;
            return;
        }
        break;
    case Telnet::Command:
        if (byte == kIac) { // an escaped 0xFF is a data byte
            m_telnet = Telnet::Data;
            break;
        }
        m_telnet = byte == kSubBegin ? Telnet::Sub : byte >= kWill ? Telnet::Option : Telnet::Data;
        return;
    case Telnet::Option:
        m_telnet = Telnet::Data;
        return;
    case Telnet::Sub:
        if (byte == kIac)
            m_telnet = Telnet::SubCommand;
        return;
    case Telnet::SubCommand:
        m_telnet = byte == kSubEnd ? Telnet::Data : Telnet::Sub;
        return;
    }
    if (c == '\n' || c == '\r') {
        lines << decodeLine(std::exchange(m_line, QByteArray()));
        return;
    }
    if (c == '\t')
        c = ' ';
    if (byte < 0x20 || byte == 0x7F)
        return; // bells, backspaces and terminal controls are not text
    m_line.append(c);
    if (m_line.size() >= kLongestLine)
        lines << decodeLine(std::exchange(m_line, QByteArray()));
}
