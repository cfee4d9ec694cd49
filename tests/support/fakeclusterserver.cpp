#include "support/fakeclusterserver.h"

void FakeClusterServer::begin()
{
    m_call.clear();
    if (!silent)
        say("Welcome to the fake DX cluster\r\n\r\nPlease enter your call: login: ");
}

void FakeClusterServer::answer(const QString& line)
{
    if (!m_call.isEmpty()) {
        sayLine(QStringLiteral("%1 de FAKE >").arg(m_call));
        return;
    }
    m_call = line;
    sayLine(QStringLiteral("Hello %1, this is the fake cluster\r\n%1 de FAKE >").arg(line));
    if (dropLoggedIn)
        drop();
}

void FakeClusterServer::saySpot(const QString& spotter, double kHz, const QString& call,
                                const QString& comment, const QString& time)
{
    sayLine(QStringLiteral("DX de %1:").arg(spotter).leftJustified(16) +
            QString::number(kHz, 'f', 1).rightJustified(9) + QStringLiteral("  ") + call.leftJustified(13) +
            comment.leftJustified(31) + time + QLatin1Char('Z'));
}
