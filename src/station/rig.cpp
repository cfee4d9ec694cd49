#include "station/rig.h"

#include <algorithm>
#include <cctype>

namespace {

// hamlib's codes for a function the rig or its backend does not have.
constexpr int kNotImplemented = -4;
constexpr int kNotAvailable = -11;

// A mode as hamlib names it: letters and digits.
bool isModeName(const QByteArray& value)
{
    return !value.isEmpty() &&
           std::all_of(value.begin(), value.end(), [](char c) { return std::isalnum(uchar(c)) != 0; });
}

} // namespace

Rig::Rig(QObject* parent) : HamlibClient(QStringLiteral("Трансивер"), kDefaultPort, parent) {}

void Rig::tune(qint64 hz)
{
    if (!isOn())
        return;
    wake();
    ask(QByteArray("F ") + QByteArray::number(hz) + '\n', {AnswerForm::Report}, Tune);
}

void Rig::poll()
{
    // The next reading once the last is complete: a slow rig does not pile up questions.
    if (isAsking(Frequency) || isAsking(Mode))
        return;
    ask("f\n", {AnswerForm::Values, 1}, Frequency);
    ask("m\n", {AnswerForm::Values, 2}, Mode);
}

void Rig::answered(int tag, const HamlibAnswer& answer)
{
    // Some rigs cannot tell their mode: their frequency is still worth following.
    if (tag == Mode && (answer.report == kNotImplemented || answer.report == kNotAvailable)) {
        answeredWell();
        emit read(m_hz, QString());
        return;
    }
    if (answer.isError()) {
        fail(QStringLiteral("ответ RPRT %1").arg(*answer.report));
        return;
    }
    const QByteArray first = answer.values.value(0);
    auto notUnderstood = [&] {
        fail(QStringLiteral("непонятный ответ \"%1\"")
                 .arg(answer.values.isEmpty() ? QStringLiteral("RPRT 0") : QString::fromLatin1(first)));
    };
    if (tag == Tune) {
        if (answer.report)
            answeredWell();
        else
            notUnderstood();
        return;
    }
    if (answer.values.isEmpty()) {
        notUnderstood();
        return;
    }
    if (tag == Frequency) {
        const std::optional<qint64> hz = hamlibFrequency(first);
        if (!hz) {
            notUnderstood();
            return;
        }
        m_hz = *hz;
        return;
    }
    if (!isModeName(first)) {
        notUnderstood();
        return;
    }
    answeredWell();
    emit read(m_hz, QString::fromLatin1(first));
}
