#include "app/logcheckwindow.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "exchange/tfsaveoptions.h"
#include "logging/entrypanel.h"
#include "store/cursor.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

// "Проверка лога" in the real window: what it lists, where a double click takes the grid, and
// the check that comes before an export.
class TestLogCheckWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsWhatARobotWouldQuestion();
    void exportAsksOnlyWhenSomethingIsFound();

private:
    QStringList lines(LogCheckWindow* window) const;
};

void TestLogCheckWindow::init()
{
    // Personal data complete; contest 1 from noon to midnight.
    prepare(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
        "VALUES (1, 'Полевой день', 46000.5, 46001, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN IN ('PCall', 'RCall');"
        "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);"
        "INSERT INTO ContestList (ContestListRowid, IdContest, IdBand, IdModulation, ContestListCall, "
        "ContestListQTH, ContestListSendNum, ContestListDateTime) VALUES "
        "(11, 1, 144, 1, 'UA3DX', 'KO91OG', 1, 46000.6), (12, 1, 144, 1, 'R3ABC', 'KO9', 2, 46000.61),"
        "(13, 1, 144, 1, 'R3ABD', 'KO95AA', 2, 46000.62), (14, 1, 432, 1, 'R3ABE', 'KO95AB', 1, 46001.5);");
}

void TestLogCheckWindow::cleanup()
{
    release();
}

QStringList TestLogCheckWindow::lines(LogCheckWindow* window) const
{
    QStringList texts;
    for (int i = 0; i < window->list()->count(); ++i)
        texts << window->list()->item(i)->text();
    return texts;
}

void TestLogCheckWindow::listsWhatARobotWouldQuestion()
{
    openWindow();
    Cursor& log = m_window->logView()->log();
    inModal<LogCheckWindow>([&] { m_window->action("mnCheckLog")->trigger(); },
                            [&](LogCheckWindow* window) {
                                QCOMPARE(lines(window).size(), 3);
                                QVERIFY(lines(window)[0].startsWith("144 MHz, № 2, R3ABC: неверный локатор"));
                                QCOMPARE(lines(window)[1], "144 MHz, № 2, R3ABD: номер повторяется");
                                QVERIFY(lines(window)[2].startsWith("432 MHz, № 1, R3ABE: время "));
                                const qint64 rowids[] = {12, 13, 14};
                                const char* bands[] = {"144 MHz", "144 MHz", "432 MHz"};
                                for (int i = 0; i < 3; ++i) {
                                    doubleClick(*window->list(), window->list()->model()->index(i, 0));
                                    QCOMPARE(m_window->entryPanel()->bandList->currentText(), bands[i]);
                                    QCOMPARE(log.value("ContestListRowid").toInt(), rowids[i]);
                                }
                                QVERIFY(window->findChild<QPushButton*>("closeButton"));
                                QVERIFY(!window->findChild<QPushButton*>("continueButton"));
                            });
    // Mended, the list says so in one line.
    m_file->sqlite(
        "UPDATE ContestList SET ContestListQTH='KO95AC', ContestListSendNum=3 WHERE ContestListRowid=12;"
        "UPDATE ContestList SET ContestListDateTime=46000.9 WHERE ContestListRowid=14;");
    inModal<LogCheckWindow>([&] { m_window->action("mnCheckLog")->trigger(); },
                            [&](LogCheckWindow* window) {
                                QCOMPARE(lines(window), QStringList{"Замечаний нет: лог готов к отправке."});
                            });
}

void TestLogCheckWindow::exportAsksOnlyWhenSomethingIsFound()
{
    openWindow();
    // "Отмена": no options, no folder asked.
    inModal<LogCheckWindow>([&] { m_window->action("N14")->trigger(); },
                            [&](LogCheckWindow* window) {
                                QVERIFY(window->findChild<QPushButton*>("continueButton"));
                                window->findChild<QPushButton*>("cancelButton")->click();
                            });
    QVERIFY(m_fakes->prompts.shown.empty());
    // "Продолжить": on to the export's options.
    bool optionsShown = false;
    inModal<LogCheckWindow>([&] { m_window->action("N14")->trigger(); },
                            [&](LogCheckWindow* window) {
                                whenModalOpens([&](QWidget* next) {
                                    optionsShown = qobject_cast<Tfsaveoptions*>(next) != nullptr;
                                    next->close();
                                });
                                window->findChild<QPushButton*>("continueButton")->click();
                            });
    QVERIFY(QTest::qWaitFor([&] { return optionsShown; }, 15000));
    // Nothing found: straight to the options.
    m_file->sqlite("DELETE FROM ContestList WHERE ContestListRowid IN (12, 13, 14)");
    inModal<Tfsaveoptions>([&] { m_window->action("N14")->trigger(); },
                           [](Tfsaveoptions* options) { options->close(); });
}

QTEST_MAIN(TestLogCheckWindow)
#include "tst_logcheckwindow.moc"
