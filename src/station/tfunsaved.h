#pragma once

#include <QDialog>

class DigitalLink;
class Prompts;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Несохранённые связи": the contacts from WSJT-X that could not be saved, with the reason and
// the record as it came. The operator corrects the call, locator, reports or numbers in the row
// and saves it through the same path as a contact from WSJT-X, or drops it.
class Tfunsaved : public QDialog
{
    Q_OBJECT
public:
    Tfunsaved(DigitalLink& link, Prompts& prompts, QWidget* parent = nullptr);

    // The list as the log keeps it.
    void refresh();

    enum Column {
        ReceivedColumn,
        CallColumn,
        LocatorColumn,
        SentReportColumn,
        SentNumberColumn,
        ReceivedReportColumn,
        ReceivedNumberColumn,
        ReasonColumn,
        ColumnCount
    };
    QTableWidget* grid;
    QPlainTextEdit* recordView;
    QPushButton* saveButton;
    QPushButton* dropButton;

private:
    void saveCurrent();
    void dropCurrent();
    void showRecord();

    DigitalLink& m_link;
    Prompts& m_prompts;
};
