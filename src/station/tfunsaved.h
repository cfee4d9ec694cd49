#pragma once

#include <QDialog>

class DigitalLink;
class QComboBox;
class Prompts;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Несохранённые связи": the contacts from WSJT-X that could not be saved, with the reason and
// the record as it came. The operator corrects the time, call, locator, reports or numbers in the
// row, chooses a band for a frequency on none of the log's bands and a mode the log has, and saves
// it through the same path as a contact from WSJT-X, or drops it.
class Tfunsaved : public QDialog
{
    Q_OBJECT
public:
    Tfunsaved(DigitalLink& link, Prompts& prompts, QWidget* parent = nullptr);

    // The list as the log keeps it.
    void refresh();

    enum Column {
        ReceivedColumn,
        TimeColumn,
        CallColumn,
        LocatorColumn,
        SentReportColumn,
        SentNumberColumn,
        ReceivedReportColumn,
        ReceivedNumberColumn,
        BandColumn,
        ModeColumn,
        ReasonColumn,
        ColumnCount
    };
    QTableWidget* grid;
    QPlainTextEdit* recordView;
    QPushButton* saveButton;
    QPushButton* dropButton;
    // The band and mode chosen in a row (a drop-down list in the cell).
    QComboBox* bandList(int row) const;
    QComboBox* modeList(int row) const;

private:
    void saveCurrent();
    void dropCurrent();
    void showRecord();

    DigitalLink& m_link;
    Prompts& m_prompts;
};
