#pragma once

#include "results/contestfigures.h"

#include <QWidget>

#include <functional>

class LogStore;
class Prompts;
class QBarCategoryAxis;
class QCategoryAxis;
class QChartView;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QStackedBarSeries;
class QTableWidget;
class QTimer;
class QValueAxis;

// "Статистика": how the current contest goes, per band and in total, the rate, and three
// plots (contacts per hour, points over time, the contacts around the station). It lives for
// the whole run beside the main window; while it shows, it follows each change of the log
// one contact at a time, and the log file for what other programs write into it.
class StatisticsWindow : public QWidget
{
    Q_OBJECT
public:
    // What the window needs of the main window, read whenever it is used.
    struct Context
    {
        std::function<qint32()> contestId;
        std::function<double()> utcNow;
    };

    // How long after a change the figures follow: the save itself never waits for them, and
    // a burst of changes is read once.
    static constexpr int kRefreshDelayMs = 250;
    // How often the log file is asked whether another program wrote into it, and the rate
    // of the last minutes moves on.
    static constexpr int kPollIntervalMs = 2000;

    enum BandColumn {
        BandNameColumn,
        ContactsColumn,
        PointsColumn,
        SquaresColumn,
        BestDxColumn,
        AverageKmColumn
    };
    enum RateColumn { PeriodColumn, RateContactsColumn, RatePointsColumn };

    StatisticsWindow(LogStore& store, Prompts& prompts, Context context, QWidget* parent = nullptr);
    ~StatisticsWindow() override;

    // Shown where it was, the figures read afresh.
    void open();
    // A contact saved, edited or deleted (its rowid), or 0 when several may have changed.
    void contactChanged(qint64 rowid);
    // What is pending, at once: the changed contacts read, the figures and plots redrawn.
    void refresh();

    QTableWidget* bandTable() const { return m_bands; }
    QTableWidget* rateTable() const { return m_rate; }
    QChartView* hoursView() const { return m_hoursView; }
    QChartView* pointsView() const { return m_pointsView; }
    QChartView* directionsView() const { return m_directionsView; }
    // A failure to read the log, said in the window; empty when the figures are current.
    QLabel* statusLabel() const { return m_status; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void poll();
    qint64 dataVersion();
    void showSummary(const ContestSummary& summary);
    void showRate(const ContestSummary& summary);
    void showRecentRate(const RateFigures& last10Minutes, const RateFigures& last60Minutes);
    void plotHours(const ContestSummary& summary, bool newBands);
    void plotPoints(const ContestSummary& summary, bool newBands);
    void plotDirections(const ContestSummary& summary, bool newBands);
    QColor bandColour(int band) const;

    LogStore& m_store;
    Prompts& m_prompts;
    Context m_context;
    ContestFigures m_figures;
    std::vector<qint64> m_pendingRows;
    bool m_reloadPending = true;
    qint64 m_dataVersion = 0;

    QTableWidget* m_bands;
    QTableWidget* m_rate;
    QLabel* m_status;
    QChartView* m_hoursView;
    QChartView* m_pointsView;
    QChartView* m_directionsView;
    QStackedBarSeries* m_hourBars;
    QBarCategoryAxis* m_hourAxis;
    QValueAxis* m_hourCountAxis;
    QCategoryAxis* m_timeAxis;
    QValueAxis* m_pointsAxis;
    QCategoryAxis* m_azimuthAxis;
    QCategoryAxis* m_distanceAxis;
    std::vector<int> m_plottedBands;
    QList<QLineSeries*> m_lines;     // per band, then the total
    QList<QScatterSeries*> m_places; // per band
    QTimer* m_refreshTimer;
    QTimer* m_pollTimer;
};
