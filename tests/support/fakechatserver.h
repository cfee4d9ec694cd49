#pragma once

#include "support/fakelineserver.h"

#include <QTimer>

// A VHF chat server of the tests' own on a free local port. It speaks as the chat does: asks "Login:" and
// "Password:" (without a line end, as a terminal waits on them), refuses an unknown user or a wrong password
// and closes, offers the rooms and asks "Your choice :", then ends every command's answer with the prompt
// line. "/sh us" lists `stations`; any other line comes back as the login's chat line. The test makes it drop
// the connection on every entry into the room, send the list a line at a time as a slow link does, or stop
// answering part way through the list.
class FakeChatServer : public FakeLineServer
{
    Q_OBJECT
public:
    FakeChatServer();

    // "HHMMZ CALL Name> text".
    void sayChat(const QString& call, const QString& name, const QString& text);
    // The prompt line of the logged-in client's room.
    QString promptLine() const;

    QString login = QStringLiteral("UA3ABC");
    QString password = QStringLiteral("secret");
    QStringList rooms = {QStringLiteral("50/70 MHz"),          QStringLiteral("144/432 MHz"),
                         QStringLiteral("Microwave"),          QStringLiteral("EME/JT65"),
                         QStringLiteral("Low Band (160-80m)"), QStringLiteral("Test room")};
    QStringList stations = {QStringLiteral("DL1ABC JO31AB Peter 23cm"),
                            QStringLiteral("(OK1XYZ) JN79AA away"), QStringLiteral("UA3ABC KO85AA own")};
    QString time = QStringLiteral("1015");
    bool dropInRoom = false; // closes each connection as soon as the client is in the room
    // Above 0: once in the room, the lines the server answers with (the list's, its prompt) go out
    // one at a time, this far apart.
    int listLineEveryMs = 0;
    // At or above 0: the server says nothing more after this many of the list's lines.
    int listStopsAfter = -1;
    QString roomGiven;  // not empty: every login is put in this room, whatever it chose
    QString chosenRoom; // the room the login is in, which each prompt names

private:
    void begin() override;
    void answer(const QString& line) override;
    // A line after those waiting to go out at the list's pace; a null one: nothing more.
    void reply(const QString& line);
    void sayNextQueued();

    enum class Stage { Login, Password, Room, Chat } m_stage = Stage::Login;
    QString m_login;
    QStringList m_queued; // lines waiting for the list's pace; a null one is the last word
    QTimer m_pace;
    bool m_mute = false; // said its last word on this connection
};
