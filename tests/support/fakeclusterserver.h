#pragma once

#include "support/fakelineserver.h"

// A DX cluster of the tests' own on a free local port. It greets, asks for the call with a
// prompt ending in "login: " and no line end, as a terminal waits on it, and greets the call
// (the first line of each connection); a command after it is answered with the prompt. The
// test makes it send spots, garbage, go silent, or drop the connection, once or every time it
// has greeted a call.
class FakeClusterServer : public FakeLineServer
{
    Q_OBJECT
public:
    // "DX de SPOTTER:  FREQ  CALL  comment  HHMMZ", as clusters align it.
    void saySpot(const QString& spotter, double kHz, const QString& call, const QString& comment,
                 const QString& time = QStringLiteral("1015"));

    bool dropLoggedIn = false; // closes each connection as soon as the call is greeted

private:
    void begin() override;
    void answer(const QString& line) override;

    QString m_call; // greeted on this connection
};
