#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>
#include <span>
#include <utility>
#include <vector>

// The answers of hamlib's daemons (rigctld, rotctld), which speak one line protocol. A command
// that sets something is answered "RPRT n" (0: done, below 0: an error); one that reads is
// answered with its values, one a line, or with "RPRT n" alone when it failed; an extended
// command ("+\dump_state") names its values, "Key: value" a line, and always ends in "RPRT n".
// Nothing here touches a socket: the clients feed what came and take the answers out.

// What a question is answered with.
struct AnswerForm
{
    enum Kind { Report, Values, Extended };
    Kind kind = Report;
    int lines = 0; // the value lines of a Values answer
};

struct HamlibAnswer
{
    // The code of its "RPRT n" line; none for values, or for a line that is no report where
    // one was due.
    std::optional<int> report;
    QList<QByteArray> values;                        // a plain answer's lines, trimmed
    QList<std::pair<QByteArray, QByteArray>> fields; // an extended answer's "Key: value" lines

    // An error answer: "RPRT" with a code other than 0.
    bool isError() const { return report && *report != 0; }
    bool operator==(const HamlibAnswer&) const = default;
};

struct AnswerReading
{
    std::vector<HamlibAnswer> answers; // the complete answers, in the order they were awaited
    qsizetype used = 0;                // the bytes they took
    // A line went on past kMaxAnswerLine bytes, or an extended answer past kMaxAnswerLines
    // lines, without its end: no daemon of hamlib's says that much, so the connection is bad.
    bool overlong = false;
};

inline constexpr qsizetype kMaxAnswerLine = 1024;
inline constexpr int kMaxAnswerLines = 256;

// The answers that `received` completes, one for each of `awaited` from its front, as far as
// the bytes go; an answer not yet complete waits for more bytes.
AnswerReading readHamlibAnswers(QByteArrayView received, std::span<const AnswerForm> awaited);

// A frequency in Hz as rigctld writes it ("432200000", "432200000.000000"), to the nearest Hz:
// a positive number below 1 THz; none for anything else.
std::optional<qint64> hamlibFrequency(const QByteArray& value);
// An angle in degrees as rotctld writes it: a finite number; none for anything else ("nan").
std::optional<double> hamlibAngle(const QByteArray& value);
