#pragma once

#include "sharing/sharedserver.h"

#include <QDialog>

#include <vector>

class LogStore;
class Prompts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class SharedLog;

// "Общий лог": where the server is, who logs in and as which position, and whether the log is
// shared; below, the shared contests on the server, the bands of the current contest with
// their holders, and the contacts to check (a serial used twice on a band).
class Tfshare : public QDialog
{
    Q_OBJECT
public:
    Tfshare(LogStore& store, SharedLog& shared, Prompts& prompts, qint32 contestId,
            QWidget* parent = nullptr);

    QLineEdit* hostEdit;
    QSpinBox* portEdit;
    QLineEdit* databaseEdit;
    QLineEdit* userEdit;
    QLineEdit* positionEdit;
    QCheckBox* enabledBox;
    QPushButton* saveButton;
    QLabel* statusLabel;
    // Shown while the server keeps this log away as a copy of another position's file.
    QPushButton* newPositionButton;
    QListWidget* contestsList;
    QPushButton* shareButton;
    QPushButton* joinButton;
    QTableWidget* bandsTable;
    QPushButton* takeButton;
    QPushButton* releaseButton;
    QPushButton* placeButton;
    // What the last press of a button lacked ("Выберите диапазон в таблице."), until a choice.
    QLabel* noteLabel;
    QListWidget* reviewList;

    // The lists as the log and the server have them now.
    void showBands();
    void showReview();

signals:
    // A contact of the "На проверку" list was chosen: the grid goes to it.
    void contactPicked(qint64 rowid, const QString& band);

private:
    bool save();
    void showContests(const std::vector<SharedContest>& contests);
    // The band of the selected row of the bands table; none when no row is selected, which the
    // note says.
    std::optional<std::pair<qint32, QString>> selectedBand();

    LogStore& m_store;
    SharedLog& m_shared;
    Prompts& m_prompts;
    qint32 m_contestId;
    std::vector<SharedContest> m_contests;
};
