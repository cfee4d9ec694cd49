#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// "Импорт EDI": what an import would add, before anything is written. "Импортировать"
// accepts; "Отмена", Esc and the close box reject.
class EdiImportWindow : public QDialog
{
    Q_OBJECT
public:
    EdiImportWindow(const QString& summary, bool anythingToAdd, QWidget* parent = nullptr);

    QPlainTextEdit* summaryText() const { return m_summary; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPlainTextEdit* m_summary;
    QPushButton* m_import;
    QPushButton* m_cancel;
};
