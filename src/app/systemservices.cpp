#include "app/systemservices.h"

#include "app/confirmcode.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>

#include <cstdio>

namespace {

// The texts break their lines with LF CR; a Qt label would show the CR as a glyph.
QString displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

void showBox(QMessageBox::Icon icon, const QString& text, const QString& details = QString())
{
    QMessageBox box(icon, QStringLiteral("Kovra log"), displayText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    if (!details.isEmpty())
        box.setInformativeText(displayText(details));
    box.exec();
}

} // namespace

void WidgetPrompts::error(const QString& text, const QString& details)
{
    // Also in the session's log, where it stays when the box is gone.
    std::fprintf(stderr, "kovra: %s\n",
                 qPrintable(displayText(details.isEmpty() ? text : text + QLatin1Char('\n') + details)));
    showBox(QMessageBox::Critical, text, details);
}

void WidgetPrompts::warning(const QString& text)
{
    showBox(QMessageBox::Warning, text);
}

void WidgetPrompts::information(const QString& text)
{
    showBox(QMessageBox::Information, text);
}

bool WidgetPrompts::confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kovra log"), displayText(text),
                    QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

QString WidgetPrompts::inputText(const QString& caption, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? text : initial;
}

std::optional<QString> WidgetPrompts::askText(const QString& caption, const QString& prompt,
                                              const QString& initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> WidgetPrompts::askPassword(const QString& caption, const QString& prompt)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                               QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> WidgetPrompts::chooseFolder(const QString& caption, const QString& offered)
{
    // A folder that is gone is not offered; the home folder is.
    const QString start = QFileInfo(offered).isDir() ? offered : QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption, start,
                                                             QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> WidgetPrompts::chooseFileToOpen(const QString& caption, const QString& folder,
                                                       const QString& filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

QStringList WidgetPrompts::chooseFilesToOpen(const QString& caption, const QString& folder,
                                             const QString& filter)
{
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), caption, folder, filter);
}

std::optional<int> WidgetPrompts::chooseItem(const QString& caption, const QString& prompt,
                                             const QStringList& items)
{
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(QApplication::activeWindow(), caption, prompt, items, 0, false, &ok);
    if (!ok || !items.contains(chosen))
        return std::nullopt;
    return int(items.indexOf(chosen));
}

std::optional<QString> WidgetPrompts::chooseFileToSave(const QString& caption, const QString& folder,
                                                       const QString& filter)
{
    // No overwrite question: the caller may add an extension, so the dialog would ask about
    // another file than the one written.
    const QString chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, folder, filter,
                                                        nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QColor> WidgetPrompts::chooseColor(const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::optional<QString> WidgetPrompts::confirmationCode(const ConfirmationCode& code)
{
    QDialog dialog(QApplication::activeWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setWindowTitle(QStringLiteral("Подтвердите код:"));
    dialog.setFixedSize(530, 190);
    for (int k = 0; k < 5; ++k) {
        auto* letter = new QLabel(code.letters.mid(k, 1), &dialog);
        letter->setFont(QFont(QStringLiteral("Tahoma"), 72, QFont::Bold));
        QPalette palette = letter->palette();
        palette.setColor(QPalette::WindowText, code.colors[size_t(k)]);
        letter->setPalette(palette);
        letter->move(100 * k + 20, code.tops[size_t(k)]);
        letter->adjustSize();
    }
    auto* typed = new QLineEdit(&dialog);
    typed->setMaxLength(5);
    typed->setFont(QFont(QStringLiteral("Tahoma"), 10, QFont::Bold));
    typed->setGeometry(270, 155, 75, 24);
    auto* enter = new QPushButton(QStringLiteral("Ввод"), &dialog);
    enter->setGeometry(355, 155, 75, 25);
    enter->setDefault(true);
    QObject::connect(enter, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), &dialog);
    cancel->setGeometry(440, 155, 75, 25);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    typed->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return typed->text();
}

bool SystemDesktop::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void SystemDesktop::beep()
{
    QApplication::beep();
}

bool SystemDesktop::ctrlHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

void SystemDesktop::askAttention(QWidget* window)
{
    QApplication::alert(window);
}

int SystemRandom::bounded(int bound)
{
    return int(QRandomGenerator::global()->bounded(bound));
}
