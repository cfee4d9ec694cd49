#include "app/confirmcode.h"

#include "platform/desktop.h"
#include "platform/prompts.h"

namespace {

const QColor CodeLetterColors[] = {QColor(255, 0, 0),   QColor(0, 0, 255),  QColor(0, 128, 0),
                                   QColor(0, 255, 0),   QColor(0, 0, 128),  QColor(128, 0, 0),
                                   QColor(255, 255, 0), QColor(255, 0, 255)};

} // namespace

ConfirmationCode drawConfirmationCode(RandomSource& random)
{
    ConfirmationCode code;
    for (int k = 0; k < 5; ++k) {
        code.letters += QChar(char16_t(u'A' + random.bounded(26)));
        code.tops[size_t(k)] = random.bounded(2) == 0 ? 10 : 20;
        code.colors[size_t(k)] = CodeLetterColors[random.bounded(8)];
    }
    return code;
}

bool ConfirmDeleteCode(Prompts& prompts, RandomSource& random)
{
    const ConfirmationCode code = drawConfirmationCode(random);
    const auto typed = prompts.confirmationCode(code);
    if (!typed)
        return false;
    if (*typed == code.letters)
        return true;
    prompts.warning(QStringLiteral("Код введен не верно!"));
    return false;
}
