#pragma once

#include "platform/desktop.h"
#include "platform/prompts.h"

// The real dialogs, desktop and random numbers behind the seams.

class WidgetPrompts : public Prompts
{
public:
    void error(const QString& text, const QString& details = QString()) override;
    void warning(const QString& text) override;
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    QString inputText(const QString& caption, const QString& prompt, const QString& initial) override;
    std::optional<QString> askText(const QString& caption, const QString& prompt,
                                   const QString& initial) override;
    std::optional<QString> askPassword(const QString& caption, const QString& prompt) override;
    std::optional<QString> chooseFolder(const QString& caption, const QString& offered) override;
    QStringList chooseFilesToOpen(const QString& caption, const QString& folder,
                                  const QString& filter) override;
    std::optional<int> chooseItem(const QString& caption, const QString& prompt,
                                  const QStringList& items) override;
    std::optional<QString> chooseFileToOpen(const QString& caption, const QString& folder,
                                            const QString& filter) override;
    std::optional<QString> chooseFileToSave(const QString& caption, const QString& folder,
                                            const QString& filter) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;
    std::optional<QString> confirmationCode(const ConfirmationCode& code) override;
};

class SystemDesktop : public Desktop
{
public:
    bool openUrl(const QUrl& url) override;
    void beep() override;
    bool ctrlHeld() const override;
    void askAttention(QWidget* window) override;
};

class SystemRandom : public RandomSource
{
public:
    int bounded(int bound) override;
};
