#pragma once

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/prompts.h"
#include "platform/services.h"

#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>

// What a test saw of one message or dialog.
struct ShownPrompt
{
    enum Kind { Error, Warning, Information, Confirm, Input, Ask, Code, Colour, Path, Password };
    Kind kind;
    QString text;
    QString details;
};

// Records every box and answers from a script; an unscripted question gets OK and an
// unscripted input box gets its initial text, as if the operator pressed Enter.
class FakePrompts : public Prompts
{
public:
    void error(const QString& text, const QString& details = QString()) override;
    void warning(const QString& text) override;
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    QString inputText(const QString& caption, const QString& prompt, const QString& initial) override;
    // Answers with the next of askAnswers (none cancels), or the initial text.
    std::optional<QString> askText(const QString& caption, const QString& prompt,
                                   const QString& initial) override;
    // Answers with the next of passwordAnswers (none cancels); unscripted, it cancels.
    std::optional<QString> askPassword(const QString& caption, const QString& prompt) override;
    // Answer with the next of pathAnswers (none cancels); unscripted, they cancel.
    std::optional<QString> chooseFolder(const QString& caption, const QString& offered) override;
    std::optional<QString> chooseFileToOpen(const QString& caption, const QString& folder,
                                            const QString& filter) override;
    // The next of pathAnswers, its paths separated by "\n" (none cancels).
    QStringList chooseFilesToOpen(const QString& caption, const QString& folder,
                                  const QString& filter) override;
    // The position of the next of askAnswers among the items (none, or no such item, cancels).
    std::optional<int> chooseItem(const QString& caption, const QString& prompt,
                                  const QStringList& items) override;
    std::optional<QString> chooseFileToSave(const QString& caption, const QString& folder,
                                            const QString& filter) override;
    // Answers with the code shown unless codeAnswers says otherwise (none cancels).
    std::optional<QString> confirmationCode(const ConfirmationCode& code) override;
    // Answers with the next of colourAnswers, or cancels.
    std::optional<QColor> chooseColor(const QColor& initial) override;

    std::vector<ShownPrompt> shown;
    std::deque<std::optional<QString>> codeAnswers;
    std::deque<QColor> colourAnswers;
    std::deque<bool> confirmAnswers;
    std::deque<QString> inputAnswers;
    std::deque<std::optional<QString>> askAnswers;
    std::deque<std::optional<QString>> passwordAnswers;
    std::deque<std::optional<QString>> pathAnswers;
    // Runs while a box is up, as a modal box would let timers and events run.
    std::function<void(const ShownPrompt&)> onShow;

    QStringList texts() const;
    QStringList texts(ShownPrompt::Kind kind) const;
    void clear() { shown.clear(); }

private:
    std::optional<QString> nextPath(const QString& caption, const QString& where, const QString& filter);
    void record(ShownPrompt::Kind kind, const QString& text, const QString& details = QString());
};

// A clock that stands still until the test moves it; tests set it as a UTC instant.
class FakeClock : public Clock
{
public:
    // As the system clock gives it: the instant in local time.
    QDateTime now() const override { return current.toLocalTime(); }
    QDateTime current = QDateTime(QDate(2026, 7, 15), QTime(10, 0, 0), Qt::UTC);
};

class FakeDesktop : public Desktop
{
public:
    bool openUrl(const QUrl& url) override
    {
        opened << url;
        return true;
    }
    void beep() override { ++beeps; }
    bool ctrlHeld() const override { return ctrl; }
    void askAttention(QWidget* window) override { attentionAsked << window; }

    QList<QUrl> opened;
    QList<QWidget*> attentionAsked;
    int beeps = 0;
    bool ctrl = false;
};

// Hands out the numbers of its script in turn, then zeros.
class FakeRandom : public RandomSource
{
public:
    int bounded(int bound) override;
    std::deque<int> script;
};

// All four fakes, wired as the program's services.
struct FakeServices
{
    FakePrompts prompts;
    FakeClock clock;
    FakeDesktop desktop;
    FakeRandom random;
    Services services{prompts, clock, desktop, random};
};
