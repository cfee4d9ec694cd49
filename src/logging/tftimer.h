#pragma once

#include "logging/repeattimer.h"

#include <QWidget>

#include <functional>
#include <memory>

class Cursor;
class LogStore;
class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;
class QTimer;
struct Services;

// The repeat-contact timer, "Таймер": every call worked in the contest on the band, newest
// first, with when it may be worked again and how long that is from now, refreshed every
// second. It also owns the choice of the repeat period and of tours, which a save applies.
class Tftimer : public QWidget, public RepeatTimer
{
    Q_OBJECT
public:
    // What the window needs of the main window, read whenever it is used.
    struct Context
    {
        std::function<qint32()> contestId;
        std::function<qint32()> bandId;
        std::function<QString()> bandName;
        std::function<double()> utcNow;
    };

    Tftimer(LogStore& store, const Services& services, Context context, QWidget* parent = nullptr);
    ~Tftimer() override;

    // Settings into the window before it is shown: geometry, tours and period.
    void OpenSet();
    // Rebuilds the list from the log and restarts the refresh.
    void ReloadTimerList() override;
    // One refresh of the computed columns.
    void refresh();

    bool isShowing() const override { return isVisible(); }
    double periodDays() const override { return m_periodDays; }
    bool tours() const;

    QTableWidget* grid() const { return m_grid; }
    QComboBox* periodList() const { return m_periodList; }
    QCheckBox* toursCheck() const { return m_tours; }

    // The colours a cell of the list is painted with.
    static QColor waitColour(const QString& remainingText);

signals:
    // The window was closed by its own close box.
    void closedByOperator();
    // The repeat period or the tour rule was chosen anew (a repeat may no longer be one).
    void repeatRuleChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void periodChosen();
    void saveSettings();

    LogStore& m_store;
    const Services& m_services;
    Context m_context;
    std::unique_ptr<Cursor> m_periods;
    double m_periodDays = 0;
    QCheckBox* m_tours;
    QLabel* m_label;
    QComboBox* m_periodList;
    QTableWidget* m_grid;
    QTimer* m_refresh;
    std::vector<double> m_lastTimes;
    std::vector<double> m_beepedFor;
};
