#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The lines of a telnet-style text service. Bytes come as the network gives them: a line may
// be cut anywhere, lines end with CR LF (or LF alone), and a question the server waits on comes
// without a line end, so the open line is kept to be looked at. Telnet negotiation and control
// characters are dropped; a line is read as UTF-8 when it is valid UTF-8, as Latin-1 otherwise.
// Nothing the server sends can make it keep more than kLongestLine bytes.
class TelnetLines
{
public:
    // The lines the bytes complete, trimmed, empty ones too.
    QStringList read(const QByteArray& bytes);
    // The line still open, trimmed; taken away by dropOpenLine once it was read as a question.
    QString openLine() const;
    void dropOpenLine() { m_line.clear(); }
    // A new connection: nothing of the last one is carried over.
    void reset();

    static constexpr int kLongestLine = 4096;

private:
    void takeByte(char c, QStringList& lines);

    enum class Telnet { Data, Command, Option, Sub, SubCommand };
    Telnet m_telnet = Telnet::Data;
    QByteArray m_line;
};
