#include "support/fakes.h"

#include "app/confirmcode.h"

void FakePrompts::record(ShownPrompt::Kind kind, const QString& text, const QString& details)
{
    shown.push_back({kind, text, details});
    if (onShow)
        onShow(shown.back());
}

void FakePrompts::error(const QString& text, const QString& details)
{
    record(ShownPrompt::Error, text, details);
}

void FakePrompts::warning(const QString& text)
{
    record(ShownPrompt::Warning, text);
}

void FakePrompts::information(const QString& text)
{
    record(ShownPrompt::Information, text);
}

bool FakePrompts::confirm(const QString& text)
{
    record(ShownPrompt::Confirm, text);
    if (confirmAnswers.empty())
        return true;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

QString FakePrompts::inputText(const QString& caption, const QString& prompt, const QString& initial)
{
    record(ShownPrompt::Input, caption + QLatin1Char('|') + prompt, initial);
    if (inputAnswers.empty())
        return initial;
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

std::optional<QString> FakePrompts::askPassword(const QString& caption, const QString& prompt)
{
    record(ShownPrompt::Password, caption + QLatin1Char('|') + prompt);
    if (passwordAnswers.empty())
        return std::nullopt;
    const auto answer = passwordAnswers.front();
    passwordAnswers.pop_front();
    return answer;
}

std::optional<QString> FakePrompts::askText(const QString& caption, const QString& prompt,
                                            const QString& initial)
{
    record(ShownPrompt::Ask, caption + QLatin1Char('|') + prompt, initial);
    if (askAnswers.empty())
        return initial;
    const auto answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

std::optional<QString> FakePrompts::nextPath(const QString& caption, const QString& where,
                                             const QString& filter)
{
    // The text names the dialog and what it offers; the details name the filter.
    record(ShownPrompt::Path, caption + QLatin1Char('|') + where, filter);
    if (pathAnswers.empty())
        return std::nullopt;
    const auto answer = pathAnswers.front();
    pathAnswers.pop_front();
    return answer;
}

std::optional<QString> FakePrompts::chooseFolder(const QString& caption, const QString& offered)
{
    return nextPath(caption, offered, QString());
}

std::optional<QString> FakePrompts::chooseFileToOpen(const QString& caption, const QString& folder,
                                                     const QString& filter)
{
    return nextPath(caption, folder, filter);
}

QStringList FakePrompts::chooseFilesToOpen(const QString& caption, const QString& folder,
                                           const QString& filter)
{
    const std::optional<QString> paths = nextPath(caption, folder, filter);
    return paths ? paths->split(QLatin1Char('\n')) : QStringList();
}

std::optional<int> FakePrompts::chooseItem(const QString& caption, const QString& prompt,
                                           const QStringList& items)
{
    record(ShownPrompt::Ask, caption + QLatin1Char('|') + prompt, items.join(QLatin1Char('|')));
    if (askAnswers.empty() || !askAnswers.front()) {
        if (!askAnswers.empty())
            askAnswers.pop_front();
        return std::nullopt;
    }
    const QString answer = *askAnswers.front();
    askAnswers.pop_front();
    const qsizetype at = items.indexOf(answer);
    return at < 0 ? std::nullopt : std::optional<int>(int(at));
}

std::optional<QString> FakePrompts::chooseFileToSave(const QString& caption, const QString& folder,
                                                     const QString& filter)
{
    return nextPath(caption, folder, filter);
}

std::optional<QString> FakePrompts::confirmationCode(const ConfirmationCode& code)
{
    record(ShownPrompt::Code, code.letters);
    if (codeAnswers.empty())
        return code.letters;
    const auto answer = codeAnswers.front();
    codeAnswers.pop_front();
    return answer;
}

std::optional<QColor> FakePrompts::chooseColor(const QColor& initial)
{
    record(ShownPrompt::Colour, initial.name());
    if (colourAnswers.empty())
        return std::nullopt;
    const QColor answer = colourAnswers.front();
    colourAnswers.pop_front();
    return answer;
}

QStringList FakePrompts::texts() const
{
    QStringList result;
    for (const ShownPrompt& p : shown)
        result << p.text;
    return result;
}

QStringList FakePrompts::texts(ShownPrompt::Kind kind) const
{
    QStringList result;
    for (const ShownPrompt& p : shown) {
        if (p.kind == kind)
            result << p.text;
    }
    return result;
}

int FakeRandom::bounded(int bound)
{
    if (script.empty())
        return 0;
    const int value = script.front();
    script.pop_front();
    return value % bound;
}
