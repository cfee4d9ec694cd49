#pragma once

#include <QColor>
#include <QString>

#include <optional>

struct ConfirmationCode;

// Every message box, input box and dialog the program shows goes through this interface,
// so that tests answer them instead of a person. The texts are the program's own; a line
// break inside them is LF CR, as the operator has always seen it.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // An error box with one OK button; details, when given, name the cause in a second line.
    virtual void error(const QString& text, const QString& details = QString()) = 0;
    virtual void warning(const QString& text) = 0;
    virtual void information(const QString& text) = 0;
    // A question with OK and Cancel: true for OK.
    virtual bool confirm(const QString& text) = 0;
    // An input box: the typed text, or the initial text when cancelled.
    virtual QString inputText(const QString& caption, const QString& prompt, const QString& initial) = 0;
    // A question for a text, as the grid's find asks it: the typed text, none when cancelled.
    virtual std::optional<QString> askText(const QString& caption, const QString& prompt,
                                           const QString& initial) = 0;
    // A question for a password, typed unseen: the password, none when cancelled.
    virtual std::optional<QString> askPassword(const QString& caption, const QString& prompt) = 0;
    // The folder, open-file and save-file dialogs: the chosen path, none when cancelled.
    // The folder dialog opens on `offered` and allows new folders; the file dialogs open in
    // `folder` and show the files `filter` names ("EDI (Electronic Data Interchange) (*.edi)").
    virtual std::optional<QString> chooseFolder(const QString& caption, const QString& offered) = 0;
    virtual std::optional<QString> chooseFileToOpen(const QString& caption, const QString& folder,
                                                    const QString& filter) = 0;
    // Several files to open at once: none when cancelled.
    virtual QStringList chooseFilesToOpen(const QString& caption, const QString& folder,
                                          const QString& filter) = 0;
    // One entry of a list, as a drop-down without typing: its position, none when cancelled.
    virtual std::optional<int> chooseItem(const QString& caption, const QString& prompt,
                                          const QStringList& items) = 0;
    virtual std::optional<QString> chooseFileToSave(const QString& caption, const QString& folder,
                                                    const QString& filter) = 0;
    // The colour chooser: the chosen colour, none when cancelled.
    virtual std::optional<QColor> chooseColor(const QColor& initial) = 0;
    // The confirmation-code dialog: what was typed when closed with "Ввод", none otherwise.
    virtual std::optional<QString> confirmationCode(const ConfirmationCode& code) = 0;
};
