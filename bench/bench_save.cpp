// The save path of the main window on a large log, with the rolling backup copying and
// without it, and the start-up to the first paint.
//
//   bench_save              all figures (needs no display: the offscreen platform is used)
//
// With backups on, the window's own backup is kept copying the whole time: a new copy
// begins as soon as the last one is complete, the worst an operator could meet. Blocks of
// saves with and without it alternate, so both medians come from the same run.
//
// The start-up is measured in child processes of this same program, from the start of
// the process to the first paint of its window: once with Kovra log's main window over
// the large log, once with a bare Qt main window.
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "store/logbackup.h"
#include "store/logstore.h"
#include "support/fakes.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <cstdio>

namespace {

// Reports to the parent process when the window's first frame is painted, and quits. The
// first paint event starts the frame; a call queued then runs once the frame is complete.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QElapsedTimer& clock) : m_clock(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QMetaObject::invokeMethod(
                qApp,
                [this] {
                    std::printf("%.3f\n", double(m_clock.nsecsElapsed()) / 1e6);
                    std::fflush(stdout);
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer& m_clock;
    bool m_done = false;
};

int startupChild(int argc, char** argv, bool bare, const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    FirstPaint painted(clock);
    app.installEventFilter(&painted);
    if (bare) {
        QMainWindow window;
        window.setCentralWidget(new QLabel(QStringLiteral("Kovra log")));
        window.resize(892, 634);
        window.show();
        return app.exec();
    }
    FakeServices fakes;
    LogStore store(Database::open(path), fakes.prompts);
    Tfmain window(store, fakes.services);
    window.show();
    return app.exec();
}

// Milliseconds from the start of the child's main() to its first painted frame.
double startupOf(const QString& mode, const QString& path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {mode, path});
    child.waitForFinished(60000);
    return child.readAllStandardOutput().trimmed().toDouble();
}

double bareInsert(const QString& path, int n)
{
    auto db = Database::open(path);
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        db->exec(
            QStringLiteral("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListSendNum) "
                           "VALUES (99, 144, 'BARE%1', %1)")
                .arg(i));
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    db->exec(QStringLiteral("DELETE FROM ContestList WHERE IdContest=99"));
    return spreadOf(times).median;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (qstrcmp(argv[1], "--kovra") == 0 || qstrcmp(argv[1], "--bare") == 0))
        return startupChild(argc, argv, qstrcmp(argv[1], "--bare") == 0, QString::fromLocal8Bit(argv[2]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kovra.db"));
    std::printf("Building a log of 100,000 contacts in 20 contests...\n");
    fillBenchmarkLog(path);

    std::vector<double> kovra, bare;
    const int startups = qEnvironmentVariableIntValue("KOVRA_BENCH_STARTUPS") > 0
                             ? qEnvironmentVariableIntValue("KOVRA_BENCH_STARTUPS")
                             : 7;
    for (int i = 0; i < startups; ++i) {
        kovra.push_back(startupOf(QStringLiteral("--kovra"), path));
        bare.push_back(startupOf(QStringLiteral("--bare"), path));
    }
    const double kovraStart = spreadOf(kovra).median;
    const double bareStart = spreadOf(bare).median;

    std::vector<double> saves, backedUp;
    int copies = 0;
    {
        Database::open(path)->execNative(
            QStringLiteral("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('BackupKeep', 2)"));
        SettledWindow settled(path);
        Tfmain& window = settled.window;
        FakeServices& fakes = settled.fakes;
        EntryPanel* entry = window.entryPanel();
        LogBackup* backup = window.findChild<LogBackup*>();
        QObject::connect(backup, &LogBackup::copied, [&copies] { ++copies; });
        constexpr int kBlock = 20; // short blocks: the machine's own drift falls on both sides
        for (int i = 0; i < 1600; ++i) {
            const bool backingUp = i / kBlock % 2 == 1;
            if (backingUp && !backup->copying()) {
                fakes.clock.current = fakes.clock.current.addSecs(5 * 60);
                backup->checkSchedule();
            }
            if (!backingUp && i % kBlock == 0 &&
                !QTest::qWaitFor([&] { return !backup->copying(); }, 60000)) {
                std::printf("a copy did not end\n");
                return 1;
            }
            entry->callEdit->setEditText(QStringLiteral("UB%1XYZ").arg(i));
            entry->receivedNumberEdit->setText(QString::number(i + 1));
            entry->locatorEdit->setText(QStringLiteral("KO95AA"));
            QElapsedTimer t;
            t.start();
            entry->saveButton->click();
            QApplication::processEvents(); // the grid repaints with the new row; a copy steps
            (backingUp ? backedUp : saves).push_back(double(t.nsecsElapsed()) / 1e6);
            if (!entry->callEdit->currentText().isEmpty() || !fakes.prompts.shown.empty()) {
                std::printf("save %d did not go through\n", i);
                return 1;
            }
        }
    }
    const double insert = bareInsert(path, 200);
    const Spread save = spreadOf(saves);
    const Spread saveBackingUp = spreadOf(backedUp);

    std::printf("save of a contact (button to cleared fields and repainted grid), %zu saves:\n",
                saves.size());
    std::printf("  median %.2f ms, 99th percentile %.2f ms (aim: 5 ms and 15 ms)\n", save.median, save.p99);
    std::printf("the same with a backup copying all along (%d copies made), %zu saves:\n", copies,
                backedUp.size());
    std::printf("  median %.2f ms (%+.1f %%), 99th percentile %.2f ms (aim: median within 10 %%)\n",
                saveBackingUp.median, (saveBackingUp.median / save.median - 1) * 100, saveBackingUp.p99);
    std::printf("bare INSERT with commit on the same file: median %.2f ms\n", insert);
    std::printf(
        "start-up to first paint, median of %zu: Kovra log %.1f ms, bare Qt main window %.1f ms, ratio %.2f "
        "(aim: at most 2)\n",
        kovra.size(), kovraStart, bareStart, kovraStart / bareStart);
    return 0;
}
