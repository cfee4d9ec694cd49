#pragma once

#include <QDialog>

class LogStore;
class QRadioButton;
class QPushButton;

// "Опции сохранения": how the EDI files are named and in which code page they are
// written. "Продолжить" stores both choices; Esc and the close box store nothing.
class Tfsaveoptions : public QDialog
{
    Q_OBJECT
public:
    // `ownCall` names the files in the entries; `trackBarPosition` sizes the button.
    Tfsaveoptions(LogStore& store, const QString& ownCall, int trackBarPosition, const QFont& font,
                  QWidget* parent = nullptr);

    QRadioButton* nameEntry(int index) const { return m_names[index]; }
    QRadioButton* formatEntry(int index) const { return m_formats[index]; }
    QPushButton* continueButton() const { return m_continue; }

private:
    void confirm();

    LogStore& m_store;
    QRadioButton* m_names[2];
    QRadioButton* m_formats[2];
    QPushButton* m_continue;
};
