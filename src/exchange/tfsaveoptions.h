#pragma once

#include <QDialog>

class LogStore;
class QCheckBox;
class QRadioButton;
class QPushButton;

// "Опции сохранения": how the EDI files are named, in which code page they are written, and
// which variant of the file: the national one or IARU REG1TEST (ASCII, scored by the IARU
// rule), the latter possibly as a check log. "Продолжить" stores the choices; Esc and the
// close box store nothing.
class Tfsaveoptions : public QDialog
{
    Q_OBJECT
public:
    // `ownCall` names the files in the entries; `trackBarPosition` sizes the button.
    Tfsaveoptions(LogStore& store, const QString& ownCall, int trackBarPosition, const QFont& font,
                  QWidget* parent = nullptr);

    QRadioButton* nameEntry(int index) const { return m_names[index]; }
    QRadioButton* formatEntry(int index) const { return m_formats[index]; }
    QRadioButton* variantEntry(int index) const { return m_variants[index]; }
    QCheckBox* checklogBox() const { return m_checklog; }
    QPushButton* continueButton() const { return m_continue; }

private:
    void confirm();

    LogStore& m_store;
    QRadioButton* m_names[2];
    QRadioButton* m_formats[2];
    QRadioButton* m_variants[2];
    QCheckBox* m_checklog;
    QPushButton* m_continue;
};
