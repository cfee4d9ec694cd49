#include "onair/clusterreader.h"

#include "logging/locator.h"
#include "onair/chatreader.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

QRegularExpression pattern(const char* text)
{
    return QRegularExpression(QString::fromLatin1(text), QRegularExpression::CaseInsensitiveOption);
}

bool isLoginPrompt(const QString& line)
{
    // DX Spider asks "login:", AR-Cluster and CC Cluster "Please enter your call:".
    static const QRegularExpression login = pattern(R"((login|your\s+call(sign)?)\s*:$)");
    return login.match(line).hasMatch();
}

// The heard station's locator in a spot's comment, upper-case. On VHF a comment often reads
// "KM71<ES>IO82WX" or "JO60AA>KO85": the heard station's locator or square, the propagation in
// angle brackets (or a lone ">"), then the spotter's own locator, which must not be taken for
// the heard station's. Before such a mark, its first locator, else its first square; without a
// mark, the comment's first locator.
QString locatorIn(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[^A-Za-z0-9]+"));
    static const QRegularExpression mark(QStringLiteral("<[^<>]*>|>"));
    const qsizetype marked = text.indexOf(mark);
    const QStringList words = text.left(marked).split(separators, Qt::SkipEmptyParts);
    for (QString word : words) {
        if (LocatorIsValid(word))
            return word;
    }
    if (marked < 0)
        return {};
    for (QString word : words) {
        if (LocatorSquareIsValid(word))
            return word;
    }
    return {};
}

std::optional<ClusterSpot> spotOf(double kHz, const QString& call, const QString& spotter,
                                  const QString& time, const QString& comment)
{
    if (!std::isfinite(kHz) || kHz <= 0 || !looksLikeCall(call) || !looksLikeCall(spotter))
        return std::nullopt;
    if (time.size() != 4 || time.left(2).toInt() > 23 || time.mid(2).toInt() > 59)
        return std::nullopt;
    ClusterSpot spot;
    spot.time = time;
    spot.kHz = kHz;
    spot.call = call.toUpper();
    spot.spotter = spotter.toUpper();
    spot.comment = comment.trimmed();
    spot.locator = locatorIn(spot.comment);
    return spot;
}

// A frequency word of a chat line in kHz: a number with a fraction below 100000 is MHz
// ("432.200", "1296,2", "10368.1"), one from 100000 up kHz ("432200", "144300.5"); a bare
// number below that is a report, a serial or a time, not a frequency.
std::optional<double> chatFrequency(QString word)
{
    static const QRegularExpression number(QStringLiteral(R"(^\d{1,8}(?:[.,]\d{1,4})?$)"));
    if (!number.match(word).hasMatch())
        return std::nullopt;
    const bool fraction = word.contains(QLatin1Char('.')) || word.contains(QLatin1Char(','));
    const double value = word.replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    if (value >= 100000)
        return value;
    if (fraction)
        return value * 1000;
    return std::nullopt;
}

} // namespace

std::optional<ClusterSpot> readSpotLine(const QString& line)
{
    // The spotter may carry a node's or a skimmer feed's marks ("OK1XYZ-#", "W3LPL-2-#"), which
    // are not its call; some nodes add the spotter's square and region after the time.
    static const QRegularExpression spot = pattern(
        R"(^DX\s+de\s+([A-Z0-9/]+)(?:-[A-Z0-9#]*)*:\s*(\d{1,9}(?:\.\d{1,3})?)\s+([A-Z0-9/]+)(.*?)\s(\d{4})Z(?:\s+\S+)*\s*$)");
    // A cluster's prompt may come without a line end, glued before the next spot.
    const QRegularExpressionMatch match = spot.match(
        line.mid(std::max(line.indexOf(QLatin1String("DX de "), 0, Qt::CaseInsensitive), qsizetype(0)))
            .trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return spotOf(match.captured(2).toDouble(), match.captured(3), match.captured(1), match.captured(5),
                  match.captured(4));
}

std::optional<ClusterSpot> readChatSpot(const QString& time, const QString& sender, const QString& text)
{
    if (text.contains(QLatin1String("DX de "), Qt::CaseInsensitive))
        return readSpotLine(text); // a cluster's spot quoted
    static const QRegularExpression start(QStringLiteral(R"(^\s*(\S+)\s+(\S+)(.*)$)"));
    const QRegularExpressionMatch match = start.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    for (const auto& [frequency, call] : {std::pair{1, 2}, std::pair{2, 1}}) {
        if (const std::optional<double> kHz = chatFrequency(match.captured(frequency))) {
            // Written as in a sentence: "432.200 OK1ABC, JO60AA".
            QString word = match.captured(call);
            while (!word.isEmpty() && QStringLiteral(",.:;!?").contains(word.back()))
                word.chop(1);
            return spotOf(*kHz, word, sender, time, match.captured(3));
        }
    }
    return std::nullopt;
}

std::vector<ClusterEvent> ClusterReader::read(const QByteArray& bytes)
{
    std::vector<ClusterEvent> events;
    for (const QString& line : m_lines.read(bytes))
        readLine(line, events);
    if (const QString open = m_lines.openLine(); isLoginPrompt(open)) {
        m_lines.dropOpenLine(); // the question waits without a line end
        readLine(open, events);
    }
    return events;
}

void ClusterReader::readLine(const QString& line, std::vector<ClusterEvent>& events)
{
    if (line.isEmpty())
        return;
    ClusterEvent event;
    event.text = line;
    if (isLoginPrompt(line)) {
        event.kind = ClusterEvent::LoginPrompt;
    } else if (const std::optional<ClusterSpot> spot = readSpotLine(line)) {
        event.kind = ClusterEvent::Spot;
        event.spot = *spot;
    }
    events.push_back(event);
}
