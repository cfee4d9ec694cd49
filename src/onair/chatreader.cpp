#include "onair/chatreader.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

// The shapes of the server's lines, compiled once.
struct Patterns
{
    static QRegularExpression make(const char* text)
    {
        return QRegularExpression(QString::fromLatin1(text), QRegularExpression::CaseInsensitiveOption);
    }
    QRegularExpression loginQuestion = make(R"(^login\s*:$)");
    QRegularExpression passwordQuestion = make(R"(^password\s*:$)");
    QRegularExpression roomQuestion = make(R"(^your\s+choice\s*:$)");
    // "1234Z UA3ABC 144/432 MHz chat>": the login and the room; the room's name holds no ">".
    QRegularExpression prompt = make(R"(^\d{4}Z\s+(\S+)\s+([^>]*\S)\s+chat>$)");
    // The prompt waits without a line end, so the next line may follow it on the same one.
    QRegularExpression promptThen = make(R"(^(\d{4}Z\s+\S+\s+[^>]*\S\s+chat>)(.+)$)");
    // "1234Z DL1ABC Jan> text"; the name may be empty or hold blanks.
    QRegularExpression message = make(R"(^(\d{4})Z\s+([A-Z0-9/]+)\s+([^>]*)>\s?(.*)$)");
    // "DL1ABC JO31AB comment", "(DL1ABC) JO31AB comment" for a station away.
    QRegularExpression station = make(R"(^(\()?([A-Z0-9/]+)(\))?\s+([A-R]{2}[0-9]{2}[A-X]{2})(?:\s+(.*))?$)");
    QRegularExpression joined = make(
        R"(^(?:(\d{4})Z\s+)?\(?([A-Z0-9/]+)\)?(?:\s+.*)?\s+(?:has\s+)?(?:logged\s+in|joined|entered)\b)");
    QRegularExpression left = make(
        R"(^(?:(\d{4})Z\s+)?\(?([A-Z0-9/]+)\)?(?:\s+.*)?\s+(?:has\s+)?(?:logged\s+out|left|quit|disconnected)\b)");
    // "1 - 50/70 MHz", "2) 144/432 MHz", "3 Microwave".
    QRegularExpression room = make(R"(^(\d{1,3})\s*[-:.)=]?\s+(\S.*)$)");
};

const Patterns& patterns()
{
    static const Patterns compiled;
    return compiled;
}

std::optional<ChatEvent::Kind> question(const QString& line)
{
    if (patterns().loginQuestion.match(line).hasMatch())
        return ChatEvent::LoginPrompt;
    if (patterns().passwordQuestion.match(line).hasMatch())
        return ChatEvent::PasswordPrompt;
    if (patterns().roomQuestion.match(line).hasMatch())
        return ChatEvent::RoomPrompt;
    return std::nullopt;
}

// The part of a call that names the station: the longest part between "/" with a digit.
QString baseCall(const QString& call)
{
    QString base;
    for (const QString& part : call.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part.size() > base.size() &&
            std::any_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); }))
            base = part;
    }
    return (base.isEmpty() ? call : base).toUpper();
}

} // namespace

std::vector<ChatEvent> ChatReader::read(const QByteArray& bytes)
{
    std::vector<ChatEvent> events;
    for (const QString& line : m_lines.read(bytes))
        readLine(line, events);
    if (const QString open = m_lines.openLine(); !open.isEmpty() && (question(open) || isPromptLine(open))) {
        m_lines.dropOpenLine(); // a question waits without a line end; anything else is a cut line
        readLine(open, events);
    }
    return events;
}

void ChatReader::lineSent()
{
    ++m_promptsOwed;
}

void ChatReader::expectStationList()
{
    m_listing = true;
    m_listed = 0;
    m_listPrompt = m_promptsOwed;
}

void ChatReader::reset()
{
    m_lines.reset();
    m_listing = false;
    m_listed = 0;
    m_promptsOwed = 0;
    m_listPrompt = 0;
    m_roomChosen = false;
}

bool ChatReader::isPromptLine(const QString& line) const
{
    return !promptRoom(line).isEmpty();
}

QString ChatReader::promptRoom(const QString& line) const
{
    const QRegularExpressionMatch match = patterns().prompt.match(line);
    if (!match.hasMatch() || (!m_login.isEmpty() && QString::compare(match.captured(1), m_login.trimmed(),
                                                                     Qt::CaseInsensitive) != 0))
        return {};
    // Unicode's blanks (a stray NEL from a Latin-1 server) are not the pattern's \s: the room's
    // name is trimmed of them too, so that it compares with the names offered.
    return match.captured(2).trimmed();
}

void ChatReader::readLine(const QString& line, std::vector<ChatEvent>& events)
{
    QString rest = line;
    for (;;) {
        const QRegularExpressionMatch glued = patterns().promptThen.match(rest);
        if (!glued.hasMatch() || !isPromptLine(glued.captured(1)))
            break;
        readOneLine(glued.captured(1), events);
        rest = glued.captured(2).trimmed();
    }
    readOneLine(rest, events);
}

void ChatReader::readOneLine(const QString& line, std::vector<ChatEvent>& events)
{
    if (line.isEmpty())
        return;
    ChatEvent event;
    if (const auto asked = question(line)) {
        event.kind = *asked;
        if (event.kind == ChatEvent::RoomPrompt)
            m_roomChosen = true;
        events.push_back(event);
        return;
    }
    if (const QString room = promptRoom(line); !room.isEmpty()) {
        m_roomChosen = true;
        event.kind = ChatEvent::Prompt;
        event.text = room;
        m_promptsOwed = std::max(m_promptsOwed - 1, 0);
        if (m_listing) {
            m_listPrompt = std::max(m_listPrompt - 1, 0);
            if (m_listed > 0 || m_listPrompt == 0) {
                event.kind = ChatEvent::StationListEnd;
                m_listing = false;
                // Stations before the list's own prompt: the server left lines sent before the
                // list without a prompt, and those are not waited for.
                m_promptsOwed = std::max(m_promptsOwed - m_listPrompt, 0);
                m_listPrompt = 0;
            }
        }
        events.push_back(event);
        return;
    }
    if (const auto match = patterns().message.match(line);
        match.hasMatch() && looksLikeCall(match.captured(2))) {
        m_roomChosen = true;
        event.kind = ChatEvent::Message;
        event.time = match.captured(1);
        event.call = match.captured(2).toUpper();
        event.name = match.captured(3).trimmed();
        event.text = match.captured(4);
        events.push_back(event);
        return;
    }
    // Only the login is refused: once in the room, these words are anybody's text.
    if (!m_roomChosen && (line.contains(QLatin1String("unknown user"), Qt::CaseInsensitive) ||
                          line.contains(QLatin1String("wrong password"), Qt::CaseInsensitive))) {
        event.kind = ChatEvent::Refused;
        event.text = line;
        events.push_back(event);
        return;
    }
    if (m_listing) {
        const auto match = patterns().station.match(line);
        if (match.hasMatch() && looksLikeCall(match.captured(2)) &&
            match.capturedLength(1) == match.capturedLength(3)) {
            event.kind = ChatEvent::Station;
            event.station.call = match.captured(2).toUpper();
            event.station.locator = match.captured(4).toUpper();
            event.station.comment = match.captured(5).trimmed();
            event.station.away = match.capturedLength(1) > 0;
            ++m_listed;
            events.push_back(event);
            return;
        }
    }
    for (const auto& [expression, kind] :
         {std::pair{&patterns().joined, ChatEvent::Joined}, std::pair{&patterns().left, ChatEvent::Left}}) {
        const auto match = expression->match(line);
        if (match.hasMatch() && looksLikeCall(match.captured(2))) {
            event.kind = kind;
            event.time = match.captured(1);
            event.call = match.captured(2).toUpper();
            event.text = line;
            events.push_back(event);
            return;
        }
    }
    // The list's heading, or a line of it that no station can be read from: the list's, not
    // the room's. Before the list's own answer begins, a line answers what was sent earlier.
    if (m_listing && (m_listed > 0 || m_listPrompt <= 1)) {
        event.kind = ChatEvent::ListText;
        event.text = line;
        events.push_back(event);
        return;
    }
    if (!m_roomChosen) {
        const auto match = patterns().room.match(line);
        if (match.hasMatch() && match.captured(1).toInt() > 0) {
            event.kind = ChatEvent::RoomOffered;
            event.room = match.captured(1).toInt();
            event.text = match.captured(2).trimmed();
            events.push_back(event);
            return;
        }
    }
    event.kind = ChatEvent::Notice;
    event.text = line;
    events.push_back(event);
}

bool looksLikeCall(const QString& text)
{
    if (text.size() < 3 || text.size() > 15)
        return false;
    bool digit = false;
    bool letter = false;
    for (const QChar c : text) {
        const bool isDigit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool isLetter = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                              (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
        if (!isDigit && !isLetter && c != QLatin1Char('/'))
            return false;
        digit = digit || isDigit;
        letter = letter || isLetter;
    }
    return digit && letter;
}

bool namesCall(const QString& text, const QString& call)
{
    const QString own = baseCall(call.trimmed());
    if (own.isEmpty())
        return false;
    static const QRegularExpression separators(QStringLiteral("[^A-Za-z0-9/]+"));
    for (const QString& word : text.split(separators, Qt::SkipEmptyParts)) {
        if (baseCall(word) == own)
            return true;
    }
    return false;
}
