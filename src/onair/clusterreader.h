#pragma once

#include "onair/telnetlines.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A station heard on a frequency, as a DX cluster or a chat line tells it.
struct ClusterSpot
{
    QString time;    // "HHMM" UTC
    double kHz = 0;  // positive and finite
    QString call;    // the station heard, upper-case
    QString spotter; // who heard it, upper-case
    QString comment;
    // The heard station's locator from the comment, or only its four-character square, upper-case;
    // or empty. Never the spotter's own locator that follows a propagation mark.
    QString locator;
};

// "DX de SPOTTER:  FREQ_kHz  CALL  comment  HHMMZ", with whatever a cluster adds after the time
// (often the spotter's locator) and whatever came before "DX de " (a prompt without its line
// end); none for any other line or one whose parts are not in shape.
std::optional<ClusterSpot> readSpotLine(const QString& line);

// A chat line that spots a station: a cluster's spot line quoted in it, or a frequency and a
// call at its start in either order ("432.200 OK1ABC JO60AA 59", "OK1ABC 144300 cq"), the
// frequency in MHz when it has a fraction and is below 100000, in kHz from 100000 up. The
// spotter is the sender, the time the line's.
std::optional<ClusterSpot> readChatSpot(const QString& time, const QString& sender, const QString& text);

// One thing a cluster server said.
struct ClusterEvent
{
    enum Kind {
        LoginPrompt, // a line ending in "login:", asked without a line end
        Spot,
        Line // any other line, as text
    };
    Kind kind = Line;
    QString text;
    ClusterSpot spot;
};

// The cluster server's text as events, its lines split as TelnetLines splits them.
class ClusterReader
{
public:
    std::vector<ClusterEvent> read(const QByteArray& bytes);
    // A new connection: nothing of the last one is carried over.
    void reset() { m_lines.reset(); }

private:
    void readLine(const QString& line, std::vector<ClusterEvent>& events);

    TelnetLines m_lines;
};
