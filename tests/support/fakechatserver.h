#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A VHF chat server of the tests' own on a free local port, ended with the object. It speaks
// as the chat does: asks "Login:" and "Password:" (without a line end, as a terminal waits on
// them), refuses an unknown user or a wrong password and closes, offers the rooms and asks
// "Your choice :", then ends every command's answer with the prompt line. "/sh us" lists
// `stations`; any other line comes back as the login's chat line. The test makes it say
// more, cut a line in the middle, or drop the connection, once or on every entry into the
// room. One client at a time.
class FakeChatServer : public QObject
{
    Q_OBJECT
public:
    FakeChatServer();
    ~FakeChatServer() override;

    quint16 port() const { return m_port; }
    // Stops taking connections (those that come are refused) and takes them again, on the
    // same port.
    void stopListening();
    bool listenAgain();

    // Bytes to the client as they are, and a line with CR LF.
    void say(const QByteArray& bytes);
    void sayLine(const QString& line);
    // "HHMMZ CALL Name> text".
    void sayChat(const QString& call, const QString& name, const QString& text);
    // Closes the client's connection.
    void drop();
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
    bool silent = false;     // takes connections and says nothing
    bool dropInRoom = false; // closes each connection as soon as the client is in the room

    // Every line a client sent, in order, over all connections.
    QStringList received;
    int connections = 0;
    QString chosenRoom;

signals:
    void lineReceived(const QString& line);

private:
    void takeConnection();
    void readLines();
    void answer(const QString& line);

    QTcpServer m_server;
    quint16 m_port = 0;
    QPointer<QTcpSocket> m_client;
    QByteArray m_partial;
    enum class Stage { Login, Password, Room, Chat } m_stage = Stage::Login;
    QString m_login;
};
