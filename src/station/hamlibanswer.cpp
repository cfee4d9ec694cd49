#include "station/hamlibanswer.h"

#include <cmath>

namespace {

// "RPRT n" as the code n; none when the line is no report.
std::optional<int> reportCode(const QByteArray& line)
{
    if (!line.startsWith("RPRT "))
        return std::nullopt;
    bool number = false;
    const int code = line.mid(5).trimmed().toInt(&number);
    return number ? std::optional<int>(code) : std::nullopt;
}

} // namespace

AnswerReading readHamlibAnswers(QByteArrayView received, std::span<const AnswerForm> awaited)
{
    AnswerReading reading;
    qsizetype at = 0;
    // The next whole line from `at`, trimmed; none when its end has not come.
    auto nextLine = [&]() -> std::optional<QByteArray> {
        const qsizetype end = received.indexOf('\n', at);
        if (end < 0) {
            if (received.size() - at > kMaxAnswerLine)
                reading.overlong = true;
            return std::nullopt;
        }
        if (end - at > kMaxAnswerLine) {
            reading.overlong = true;
            return std::nullopt;
        }
        const QByteArray line = received.sliced(at, end - at).toByteArray().trimmed();
        at = end + 1;
        return line;
    };
    for (const AnswerForm& form : awaited) {
        HamlibAnswer answer;
        bool complete = false;
        if (form.kind == AnswerForm::Extended) {
            for (int lines = 0; !complete; ++lines) {
                if (lines == kMaxAnswerLines) {
                    reading.overlong = true;
                    return reading;
                }
                const std::optional<QByteArray> line = nextLine();
                if (!line)
                    return reading;
                answer.report = reportCode(*line);
                complete = answer.report.has_value();
                const qsizetype colon = line->indexOf(':');
                if (!complete && colon > 0)
                    answer.fields.append({line->left(colon).trimmed(), line->mid(colon + 1).trimmed()});
            }
        } else {
            const std::optional<QByteArray> first = nextLine();
            if (!first)
                return reading;
            answer.report = reportCode(*first);
            // A value where a report was due, or a report where values were: the answer ends.
            if (answer.report || form.kind == AnswerForm::Report) {
                if (!answer.report)
                    answer.values.append(*first);
            } else {
                answer.values.append(*first);
                while (answer.values.size() < form.lines) {
                    const std::optional<QByteArray> line = nextLine();
                    if (!line)
                        return reading;
                    answer.values.append(*line);
                }
            }
        }
        reading.answers.push_back(std::move(answer));
        reading.used = at;
    }
    return reading;
}

std::optional<qint64> hamlibFrequency(const QByteArray& value)
{
    bool number = false;
    const double hz = value.toDouble(&number);
    if (!number || !std::isfinite(hz) || hz < 0.5 || hz >= 1e12)
        return std::nullopt;
    return qint64(std::llround(hz));
}

std::optional<double> hamlibAngle(const QByteArray& value)
{
    bool number = false;
    const double angle = value.toDouble(&number);
    if (!number || !std::isfinite(angle)) // "nan" reads as a number
        return std::nullopt;
    return angle;
}
