// "Статистика" on a contest of 20,000 contacts: the refresh after a save (the saved contact
// read, the figures computed, the tables and the three plots redrawn and painted), a full
// read as after a delete or another program's write, and the save itself with the window
// open and closed (blocks of saves alternate, so both medians come from the same run).
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "results/statisticswindow.h"
#include "store/logstore.h"
#include "support/fakes.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

template <typename F> double millisOf(F&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    QApplication::processEvents(); // the repaint
    return double(t.nsecsElapsed()) / 1e6;
}

// The events that follow a piece of work (layouts, deferred repaints) are done before the
// next is timed, as an operator's next contact comes seconds later.
void settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kovra.db"));
    constexpr int kContacts = 20000;
    const QDateTime start(QDate(2026, 7, 4), QTime(14, 0), Qt::UTC);
    std::printf("Building a contest of %d contacts over 24 hours...\n", kContacts);
    fillLargeContest(path, kContacts, start);

    SettledWindow settled(path);
    Tfmain& window = settled.window;
    settled.fakes.clock.current = start.addSecs(23 * 3600 + 50 * 60); // near the end of the contest
    window.tickClock();
    EntryPanel* entry = window.entryPanel();

    const double firstOpen = millisOf([&] { window.action(QStringLiteral("mnStatistics"))->trigger(); });
    auto* statistics = window.findChild<StatisticsWindow*>();
    if (!statistics || !statistics->isVisible()) {
        std::printf("the window did not open\n");
        return 1;
    }

    std::vector<double> closedSaves, openSaves, refreshes, reloads;
    constexpr int kBlock = 20;
    for (int i = 0; i < 400; ++i) {
        const bool open = i / kBlock % 2 == 1;
        if (open && !statistics->isVisible())
            window.action(QStringLiteral("mnStatistics"))->trigger();
        if (!open && statistics->isVisible())
            statistics->close();
        settle();
        entry->callEdit->setEditText(QStringLiteral("UB%1XYZ").arg(i));
        entry->receivedNumberEdit->setText(QString::number(i + 1));
        entry->locatorEdit->setText(QStringLiteral("KO95AA"));
        (open ? openSaves : closedSaves).push_back(millisOf([&] { entry->saveButton->click(); }));
        if (!entry->callEdit->currentText().isEmpty() || !settled.fakes.prompts.shown.empty()) {
            std::printf("save %d did not go through\n", i);
            return 1;
        }
        if (open) {
            // What the window does once the save is done.
            refreshes.push_back(millisOf([&] { statistics->refresh(); }));
            if (i % 4 == 0)
                reloads.push_back(millisOf([&] {
                    statistics->contactChanged(0);
                    statistics->refresh();
                }));
        }
    }
    const Spread refresh = spreadOf(refreshes);
    const Spread reload = spreadOf(reloads);
    const Spread closed = spreadOf(closedSaves);
    const Spread opened = spreadOf(openSaves);
    std::printf("statistics window on a contest of %d contacts:\n", kContacts);
    std::printf("  opening (everything read, drawn and painted): %.1f ms\n", firstOpen);
    std::printf(
        "  refresh after a save (the contact read, figures, tables and plots redrawn and painted), %zu "
        "refreshes:\n    median %.1f ms, 99th percentile %.1f ms (aim: under 100 ms)\n",
        refreshes.size(), refresh.median, refresh.p99);
    std::printf(
        "  full read (after a delete or another program's write), %zu reads:\n    median %.1f ms, 99th "
        "percentile %.1f ms\n",
        reloads.size(), reload.median, reload.p99);
    std::printf("save of a contact (button to cleared fields and repainted grid), %zu saves each:\n",
                closedSaves.size());
    std::printf("  window closed: median %.2f ms, 99th percentile %.2f ms\n", closed.median, closed.p99);
    std::printf("  window open:   median %.2f ms (%+.1f %%), 99th percentile %.2f ms (aim: no change; the "
                "refresh follows %d ms later)\n",
                opened.median, (opened.median / closed.median - 1) * 100, opened.p99,
                StatisticsWindow::kRefreshDelayMs);
    return 0;
}
