#include "support/fakechatserver.h"

FakeChatServer::FakeChatServer()
{
    connect(&m_pace, &QTimer::timeout, this, &FakeChatServer::sayNextQueued);
}

void FakeChatServer::begin()
{
    m_stage = Stage::Login;
    m_queued.clear();
    m_pace.stop();
    m_mute = false;
    if (!silent)
        say("Welcome to the fake VHF chat\r\n\r\nLogin: ");
}

void FakeChatServer::sayChat(const QString& call, const QString& name, const QString& text)
{
    sayLine(QStringLiteral("%1Z %2 %3> %4").arg(time, call, name, text));
}

QString FakeChatServer::promptLine() const
{
    return QStringLiteral("%1Z %2 %3 chat>").arg(time, m_login, chosenRoom);
}

void FakeChatServer::answer(const QString& line)
{
    switch (m_stage) {
    case Stage::Login:
        m_login = line;
        m_stage = Stage::Password;
        say("Password: ");
        return;
    case Stage::Password:
        if (m_login != login) {
            sayLine(QStringLiteral("Unknown user"));
            drop();
            return;
        }
        if (line != password) {
            sayLine(QStringLiteral("Wrong password!"));
            drop();
            return;
        }
        for (int i = 0; i < rooms.size(); ++i)
            sayLine(QStringLiteral("%1 - %2").arg(i + 1).arg(rooms[i]));
        say("Your choice           : ");
        m_stage = Stage::Room;
        return;
    case Stage::Room:
        chosenRoom = roomGiven.isEmpty() ? rooms.value(line.toInt() - 1) : roomGiven;
        m_stage = Stage::Chat;
        sayLine(QStringLiteral("You are in the %1 room").arg(chosenRoom));
        sayLine(promptLine());
        if (dropInRoom)
            drop();
        return;
    case Stage::Chat:
        break;
    }
    if (line == QLatin1String("/sh us")) {
        const bool stops = listStopsAfter >= 0;
        for (const QString& station : stops ? stations.mid(0, listStopsAfter) : stations)
            reply(station);
        if (stops) {
            reply(QString()); // the server's last word
            return;
        }
    } else if (line.startsWith(QLatin1String("/set qra "))) {
        reply(QStringLiteral("Your locator is now %1").arg(line.mid(9)));
    } else if (!line.startsWith(QLatin1Char('/'))) {
        reply(QStringLiteral("%1Z %2 %3> %4").arg(time, m_login, QStringLiteral("Ivan"), line));
    }
    reply(promptLine());
}

void FakeChatServer::reply(const QString& line)
{
    if (m_mute)
        return;
    if (listLineEveryMs > 0 && m_stage == Stage::Chat) {
        m_queued << line;
        if (!m_pace.isActive())
            m_pace.start(listLineEveryMs);
    } else if (line.isNull()) {
        m_mute = true;
    } else {
        sayLine(line);
    }
}

void FakeChatServer::sayNextQueued()
{
    if (m_queued.isEmpty()) {
        m_pace.stop();
        return;
    }
    const QString line = m_queued.takeFirst();
    if (line.isNull()) {
        m_mute = true;
        m_queued.clear();
        m_pace.stop();
        return;
    }
    sayLine(line);
}
