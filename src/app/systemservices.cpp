#include "app/systemservices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QRandomGenerator>

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
    QMessageBox box(icon, QApplication::applicationName(), displayText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Kovra log"));
    if (!details.isEmpty())
        box.setInformativeText(displayText(details));
    box.exec();
}

} // namespace

void WidgetPrompts::error(const QString& text, const QString& details)
{
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

int SystemRandom::bounded(int bound)
{
    return int(QRandomGenerator::global()->bounded(bound));
}
