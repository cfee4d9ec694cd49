#pragma once

#include "onair/telnetlines.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A station of the chat's user list.
struct ChatStation
{
    QString call;
    QString locator; // as the server gave it, upper-case
    QString comment;
    bool away = false; // listed in parentheses
};

// One thing the chat server said.
struct ChatEvent
{
    enum Kind {
        LoginPrompt,    // "Login:"
        PasswordPrompt, // "Password:"
        RoomOffered,    // a line of the room list: `room` and its name in `text`
        RoomPrompt,     // "Your choice :"
        Refused,        // "Unknown user", "Wrong password!": the line in `text`
        Message,        // "HHMMZ CALL Name> text"
        Prompt,         // "HHMMZ LOGIN room chat>": the end of a command's answer; the room in `text`
        Station,        // a line of the user list
        ListText,       // another line of the user list's answer (a heading, a line of no station)
        StationListEnd, // the prompt that ends the user list; the room in `text`
        Joined,         // a station came into the room
        Left,           // a station left it
        Notice          // any other line, as text
    };
    Kind kind = Notice;
    QString time; // "HHMM" (UTC) of a message, join or leave; may be empty for the last two
    QString call; // a message's sender, who joined or left
    QString name; // a message's sender's name
    QString text;
    int room = 0;
    ChatStation station;
};

// The chat server's text as events, its lines split as TelnetLines splits them; the
// questions the server waits on ("Login:", "Your choice :", the chat prompt) come without a
// line end.
class ChatReader
{
public:
    std::vector<ChatEvent> read(const QByteArray& bytes);

    // The own login: only a prompt line with it ends a command's answer (a chat line cut
    // just after "chat>" must not). Empty accepts any.
    void setLogin(const QString& login) { m_login = login; }
    // A line went to the server after the room question (the room's number, a command, a
    // line for the room): the server answers each with a prompt line.
    void lineSent();
    // "/sh us" was sent, after lineSent() for it: the station lines that follow are the list,
    // and so is any other line once only the list's own prompt is owed or a station was read
    // (what comes before answers the lines sent before it). It ends at the first prompt line after one of
    // them, or else at its own prompt, the one after the prompts still owed to the lines sent before it: a
    // list may hold no line that can be read as a station, and an earlier line's prompt may still be on its
    // way.
    void expectStationList();
    // A new connection: nothing of the last one is carried over.
    void reset();

    static constexpr int kLongestLine = TelnetLines::kLongestLine;

private:
    void readLine(const QString& line, std::vector<ChatEvent>& events);
    void readOneLine(const QString& line, std::vector<ChatEvent>& events);
    bool isPromptLine(const QString& line) const;
    // The room a prompt line of the own login names; empty for any other line.
    QString promptRoom(const QString& line) const;

    TelnetLines m_lines;
    QString m_login;
    bool m_listing = false;
    int m_listed = 0;
    int m_promptsOwed = 0; // prompt lines still to come for the lines sent
    int m_listPrompt = 0;  // which of those ends the list, counted from the next one
    bool m_roomChosen = false;
};

// Whether a text names a call: a word of it is the call, either with or without a
// portable suffix or prefix ("UA3ABC", "UA3ABC/P", "RA/UA3ABC" all name UA3ABC/P).
bool namesCall(const QString& text, const QString& call);

// Whether a word can be a call: Latin letters and digits, both, and nothing but them and "/".
bool looksLikeCall(const QString& text);
