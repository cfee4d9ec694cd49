// Any bytes as what one of hamlib's daemons sends: the first byte says which four answers are
// awaited (two bits each: a report, one value, two values, an extended answer), the rest is what
// came. Read in two parts, as a socket may hand it over, it gives what it gives read whole.
#include "station/hamlibanswer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<AnswerForm> awaited;
    for (int i = 0; i < 4; ++i) {
        const int kind = (data[0] >> (2 * i)) & 3;
        awaited.push_back(kind == 0   ? AnswerForm{AnswerForm::Report}
                          : kind == 3 ? AnswerForm{AnswerForm::Extended}
                                      : AnswerForm{AnswerForm::Values, kind});
    }
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));
    const AnswerReading whole = readHamlibAnswers(bytes, awaited);
    if (whole.used < 0 || whole.used > bytes.size() || whole.answers.size() > awaited.size())
        std::abort();
    for (size_t i = 0; i < whole.answers.size(); ++i) {
        const HamlibAnswer& answer = whole.answers[i];
        const AnswerForm form = awaited[i];
        if (form.kind == AnswerForm::Values && !answer.report && answer.values.size() != form.lines)
            std::abort();
        if (form.kind == AnswerForm::Extended && !answer.report)
            std::abort(); // an extended answer ends with its report
        for (const QByteArray& value : answer.values) {
            if (const auto hz = hamlibFrequency(value); hz && (*hz <= 0 || *hz >= 1000000000000))
                std::abort();
            if (const auto angle = hamlibAngle(value); angle && !std::isfinite(*angle))
                std::abort();
        }
    }

    const QByteArrayView first = bytes.first(bytes.size() / 2);
    const AnswerReading head = readHamlibAnswers(first, awaited);
    if (head.overlong) {
        if (!whole.overlong)
            std::abort();
        return 0;
    }
    const AnswerReading tail =
        readHamlibAnswers(bytes.sliced(head.used), std::span(awaited).subspan(head.answers.size()));
    std::vector<HamlibAnswer> answers = head.answers;
    answers.insert(answers.end(), tail.answers.begin(), tail.answers.end());
    if (answers != whole.answers || tail.overlong != whole.overlong || head.used + tail.used != whole.used)
        std::abort();
    return 0;
}
