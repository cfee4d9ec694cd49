#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfcontest.h"
#include "controls/datagrid.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/tftimer.h"
#include "station/digitallink.h"
#include "station/tfdigital.h"
#include "station/tfunsaved.h"
#include "station/wsjtxlink.h"
#include "store/logstore.h"
#include "support/dummyrotctld.h"
#include "support/windowtest.h"
#include "support/wsjtxsender.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <QUdpSocket>

#include <cmath>

// WSJT-X in the main window: "Цифровые виды" switches the link on, real datagrams sent to the
// program's port fill the entry fields and save logged contacts through the entry's save, once;
// what cannot be saved waits in "Несохранённые связи", where the operator corrects and saves it.
class TestDigitalWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void anMsk144ContactFromWsjtxIsStoredOnce();
    void whatCannotBeSavedWaitsToBeCorrected();
    void aRecordSentAgainWaitsOnce_data();
    void aRecordSentAgainWaitsOnce();
    void theTimeBandOrModeIsFixedInTheList_data();
    void theTimeBandOrModeIsFixedInTheList();
    void badDatagramsAreDroppedAndCounted();
    void aBurstOfContactsIsStoredWhole();
    void aContactSavedOnAnotherBandIsSaid();
    void aHighlightEndsWithItsRepeatPeriod();
    void aQ65ContactFiledUnderMfskIsStored();
    void highlightsFollowTheModeOfWsjtx();
    void aRestartedWsjtxIsSentItsHighlightsAgain_data();
    void aRestartedWsjtxIsSentItsHighlightsAgain();
    void aGroupAddressSharesWsjtxWithAnotherProgram();
    void highlightsAreJudgedAgain_data();
    void highlightsAreJudgedAgain();

private:
    void switchOn();
    // Status on 144 MHz in MSK144, then the contest contact with G4XYZ saved and highlighted.
    void saveAHighlightedContact();
    int contacts() const { return m_file->column("SELECT COUNT(*) FROM ContestList").first().toInt(); }
    void send(const QByteArray& datagram) { QVERIFY(m_sender.send(m_port, datagram)); }

    WsjtxSender m_sender;
    quint16 m_port = 0;
};

void TestDigitalWindow::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
            "VALUES (2, 'Кубок', 46144.25, 46144.75, 0);"
            "UPDATE SettingInfo SET SettingInfoValue='UA3ABC' WHERE SettingInfoN='PCall';"
            "UPDATE SettingInfo SET SettingInfoValue='KO85TS' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 1), ('LastMod', 1);");
    // Half a minute after the contest contact WSJT-X logs.
    m_fakes->clock.current = QDateTime(QDate(2026, 5, 2), QTime(14, 6), Qt::UTC);
}

void TestDigitalWindow::cleanup()
{
    release();
}

// "Цифровые виды" as the operator fills it in, on a free port.
void TestDigitalWindow::switchOn()
{
    openWindow();
    inModal<Tfdigital>([&] { m_window->action("mnDigital")->trigger(); },
                       [&](Tfdigital* window) {
                           QCOMPARE(window->windowTitle(), "Цифровые виды");
                           QCOMPARE(window->addressEdit->text(), "127.0.0.1");
                           QCOMPARE(window->portEdit->value(), 2237);
                           QVERIFY(!window->onBox->isChecked());
                           QVERIFY(window->highlightBox->isChecked());
                           window->portEdit->setValue(DummyDaemon::freePort());
                           window->onBox->setChecked(true);
                           window->findChild<QPushButton*>("saveButton")->click();
                       });
    m_port = m_window->digitalLink()->link().port();
    QVERIFY(m_port != 0);
    QVERIFY(m_window->logView()->hintBar()->text().contains("ждём сообщений"));
}

void TestDigitalWindow::anMsk144ContactFromWsjtxIsStoredOnce()
{
    switchOn();
    EntryPanel* entry = m_window->entryPanel();
    // Status: the DX call and grid into the empty fields; band, mode and frequency follow.
    send(wsjtx::status(144360000, "MSK144", "G4XYZ", "IO91WM"));
    QTRY_COMPARE(entry->callEdit->currentText(), "G4XYZ");
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
    QCOMPARE(entry->bandList->currentText(), "144 MHz");
    QCOMPARE(entry->modeList->currentText(), "MSK144");
    QCOMPARE(entry->frequency(), std::optional<qint64>(144360000));

    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(contacts(), 1);
    QCOMPARE(entry->callEdit->currentText(), ""); // what the Status filled in is done with
    QCOMPARE(m_file->column(
                 "SELECT IdBand || ' ' || IdModulation || ' ' || ContestListCall || ' ' || "
                 "ContestListQTH || ' ' || ContestListSendRST || ' ' || ContestListSendNum || ' ' || "
                 "ContestListReceivedRST || ' ' || ContestListReceivedNum || ' ' || ContestListFrequency "
                 "FROM ContestList"),
             QVariantList{"144 12 G4XYZ IO91WM 57 2 55 17 144.3605"});
    QCOMPARE(m_file->column("SELECT strftime('%Y-%m-%d %H:%M:%S', ContestListDateTime + 2415018.5) FROM "
                            "ContestList"),
             QVariantList{"2026-05-02 14:05:30"});
    const QVariantList scored =
        m_file->column("SELECT ContestListDistance || ' ' || ContestListResult FROM ContestList");
    QCOMPARE(scored, QVariantList{"2498.9 2499"});
    // The grid shows it with its mode, distance and points.
    QAbstractItemModel* grid = m_window->logView()->grid()->model();
    QTRY_COMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->index(0, LogView::CallColumn).data().toString(), "G4XYZ");
    QCOMPARE(grid->index(0, LogView::ModeColumn).data().toString(), "MSK144");
    QVERIFY(!grid->index(0, LogView::DistanceColumn).data().toString().isEmpty());
    QCOMPARE(grid->index(0, LogView::PointsColumn).data().toString(), "2499");
    // The mode column shows every mode's name whole, the longest too (beside the cell's padding of
    // 2 px each side and the grid line).
    const DataGrid* view = m_window->logView()->grid();
    auto everyModeFits = [&] {
        for (int i = 0; i < entry->modeList->count(); ++i)
            QVERIFY2(view->fontMetrics().horizontalAdvance(entry->modeList->itemText(i)) + 5 <=
                         view->columnWidth(LogView::ModeColumn),
                     qPrintable(entry->modeList->itemText(i)));
    };
    everyModeFits();
    // So it does in the largest font the slider gives.
    m_window->logView()->fontSlider()->setValue(m_window->logView()->fontSlider()->maximum());
    QCOMPARE(view->font().pointSize(), m_window->logView()->fontSlider()->maximum());
    everyModeFits();
    // A saved call is highlighted in WSJT-X as a repeat from now on.
    const QList<QByteArray> back = m_sender.received(1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, "WSJT-X", "G4XYZ", qRgb(255, 160, 160), qRgb(0, 0, 0), false).toHex());

    // WSJT-X sends it again on reconnecting: nothing more is stored.
    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(m_window->digitalLink()->repeatCount(), 1);
    QCOMPARE(contacts(), 1);
    QCOMPARE(m_window->digitalLink()->log().unsaved().size(), 0);

    // What the operator types is never overwritten by a Status.
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "OK1KKW");
    send(wsjtx::status(144360000, "MSK144", "DL1ABC", "JO62"));
    send(wsjtx::heartbeat());
    QTest::qWait(200);
    QCOMPARE(entry->callEdit->currentText(), "OK1KKW");
}

void TestDigitalWindow::whatCannotBeSavedWaitsToBeCorrected()
{
    switchOn();
    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(contacts(), 1);
    // Within the repeat period, and without serials: neither is stored, both wait with their reason.
    send(wsjtx::loggedAdif(wsjtx::contestAdif({{"TIME_ON", "141000"}})));
    send(wsjtx::loggedAdif(wsjtx::contestAdif({{"CALL", "ON4KST"}, {"STX", QString()}, {"SRX", QString()}})));
    QTRY_COMPARE(m_window->digitalLink()->log().unsaved().size(), 2);
    QCOMPARE(contacts(), 1);
    QVERIFY(m_window->logView()->hintBar()->text().contains("WSJT-X: связь ON4KST не сохранена"));
    QVERIFY(m_fakes->prompts.texts().isEmpty()); // no box in the middle of a run

    m_window->action("mnUnsaved")->trigger();
    auto* window = m_window->findChild<Tfunsaved*>();
    QVERIFY(window && window->isVisible());
    QTableWidget* grid = window->grid;
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(0, Tfunsaved::CallColumn)->text(), "G4XYZ");
    QVERIFY(grid->item(0, Tfunsaved::ReasonColumn)->text().contains("G4XYZ"));
    QCOMPARE(grid->item(1, Tfunsaved::ReasonColumn)->text(),
             "нет контрольных номеров (режим EU VHF в WSJT-X)");

    // The operator types the numbers heard into the row and saves it.
    grid->setCurrentCell(1, Tfunsaved::SentNumberColumn);
    QVERIFY(window->recordView->toPlainText().contains("<call:6>ON4KST"));
    grid->item(1, Tfunsaved::SentNumberColumn)->setText("3");
    grid->item(1, Tfunsaved::ReceivedNumberColumn)->setText("18");
    QTest::mouseClick(window->saveButton, Qt::LeftButton);
    QCOMPARE(contacts(), 2);
    QCOMPARE(
        m_file->column("SELECT ContestListSendNum || '/' || ContestListReceivedNum FROM ContestList WHERE "
                       "ContestListCall='ON4KST'"),
        QVariantList{"3/18"});
    QCOMPARE(grid->rowCount(), 1);
    // The refused repeat stays after another try, and goes when dropped.
    grid->setCurrentCell(0, Tfunsaved::CallColumn);
    QTest::mouseClick(window->saveButton, Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(contacts(), 2);
    m_fakes->prompts.confirmAnswers = {true};
    QTest::mouseClick(window->dropButton, Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 0);
}

void TestDigitalWindow::aRecordSentAgainWaitsOnce_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("again"); // the same contact as WSJT-X sends it the next time
    QTest::addColumn<QString>("reason");
    const QString repeat = wsjtx::contestAdif({{"TIME_ON", "141000"}});
    QTest::newRow("refused repeat") << repeat << repeat << "G4XYZ";
    const QString noSerials =
        wsjtx::contestAdif({{"CALL", "ON4KST"}, {"STX", QString()}, {"SRX", QString()}});
    QTest::newRow("no serials, another header") << noSerials
                                                << QString(noSerials)
                                                       .replace("<programid:6>WSJT-X", "<programid:4>JTDX")
                                                       .replace("<adif_ver:5>3.1.0", "<adif_ver:5>3.1.4")
                                                << "нет контрольных номеров";
    QTest::newRow("unreadable") << "<call:99999>G4XYZ<eor>"
                                << "<call:99999>G4XYZ<eor>"
                                << "не читается";
}

// WSJT-X sends a refused record, or one without serials, again (on reconnecting, or the operator
// logs it once more): it waits in "Несохранённые связи" once, and the hint bar does not say it
// again over what came since; another contact with the same call is a row of its own.
void TestDigitalWindow::aRecordSentAgainWaitsOnce()
{
    QFETCH(QString, record);
    QFETCH(QString, again);
    QFETCH(QString, reason);
    switchOn();
    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(contacts(), 1);
    send(wsjtx::loggedAdif(record));
    DigitalLog& log = m_window->digitalLink()->log();
    QTRY_COMPARE(log.unsaved().size(), 1);
    QVERIFY(log.unsaved().first().reason.contains(reason));
    HintBar* hints = m_window->logView()->hintBar();
    QVERIFY(hints->text().contains("не сохранена"));
    send("not WSJT-X"); // a later message in the hint bar
    QTRY_VERIFY(hints->text().contains("отброшено сообщений: 1"));
    m_window->action("mnUnsaved")->trigger();
    auto* window = m_window->findChild<Tfunsaved*>();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->grid->rowCount(), 1);

    send(wsjtx::loggedAdif(again));
    send(wsjtx::loggedAdif(record));
    send(wsjtx::heartbeat());
    QTRY_VERIFY(m_window->logView()->hintBar()->text().contains("отброшено сообщений: 1"));
    QTest::qWait(100);
    QCOMPARE(log.unsaved().size(), 1);
    QCOMPARE(log.unsaved().first().record, record);
    QCOMPARE(window->grid->rowCount(), 1);
    QVERIFY(hints->text().contains("отброшено сообщений: 1"));
    QCOMPARE(contacts(), 1);

    // The same call at another time is another contact.
    send(wsjtx::loggedAdif(wsjtx::contestAdif({{"TIME_ON", "141200"}, {"STX", QString()}})));
    QTRY_COMPARE(log.unsaved().size(), 2);
    QCOMPARE(window->grid->rowCount(), 2);
    QVERIFY(hints->text().contains("связь G4XYZ не сохранена"));
}

void TestDigitalWindow::theTimeBandOrModeIsFixedInTheList_data()
{
    QTest::addColumn<QString>("changes"); // of the record, as "FIELD=value"
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("fix"); // "time:…", "band:…" or "mode:…"
    QTest::addColumn<QString>("stored");
    QTest::newRow("no time") << "TIME_ON="
                             << "нет даты и времени связи"
                             << "time:02.05.2026 14:03"
                             << "2026-05-02 14:03:00 144 MSK144 144.3605";
    QTest::newRow("a frequency on no band of the log") << "FREQ=28.074"
                                                       << "частота 28.074 МГц не на диапазоне лога"
                                                       << "band:432 MHz"
                                                       << "2026-05-02 14:05:30 432 MSK144 ";
    QTest::newRow("a mode the log has not") << "MODE=FST4"
                                            << "вида работы FST4 нет в логе"
                                            << "mode:FT8"
                                            << "2026-05-02 14:05:30 144 FT8 144.3605";
}

// A record refused for its time, its frequency or its mode is fixed in its row with the cell's
// own editor and saved from there; a time that does not read is said and nothing is saved.
void TestDigitalWindow::theTimeBandOrModeIsFixedInTheList()
{
    QFETCH(QString, changes);
    QFETCH(QString, reason);
    QFETCH(QString, fix);
    QFETCH(QString, stored);
    switchOn();
    const QStringList change = changes.split('=');
    send(wsjtx::loggedAdif(wsjtx::contestAdif({{change[0], change[1].isEmpty() ? QString() : change[1]}})));
    QTRY_COMPARE(m_window->digitalLink()->log().unsaved().size(), 1);
    m_window->action("mnUnsaved")->trigger();
    auto* window = m_window->findChild<Tfunsaved*>();
    QVERIFY(window && window->isVisible());
    QTableWidget* grid = window->grid;
    QCOMPARE(grid->item(0, Tfunsaved::ReasonColumn)->text(), reason);

    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto typeTime = [&](const QString& text) {
        grid->setFocus();
        grid->setCurrentCell(0, Tfunsaved::TimeColumn);
        grid->editItem(grid->item(0, Tfunsaved::TimeColumn));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        typeAtFocus(text);
        commitCellEditor(editor);
    };
    if (fix.startsWith("time:")) {
        QCOMPARE(grid->item(0, Tfunsaved::TimeColumn)->text(), "");
        typeTime("2.5.26 14:03");
        QCOMPARE(grid->item(0, Tfunsaved::TimeColumn)->text(), "2.5.26 14:03");
        QTest::mouseClick(window->saveButton, Qt::LeftButton);
        QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error),
                 QStringList{"Время связи «2.5.26 14:03» не читается: нужно ДД.ММ.ГГГГ ЧЧ:ММ:СС (UTC)"});
        QCOMPARE(contacts(), 0);
        QCOMPARE(grid->rowCount(), 1);
        typeTime(fix.mid(5));
    } else {
        QCOMPARE(grid->item(0, Tfunsaved::TimeColumn)->text(), "02.05.2026 14:05:30");
        QComboBox* list = fix.startsWith("band:") ? window->bandList(0) : window->modeList(0);
        QCOMPARE(window->bandList(0)->currentText(), fix.startsWith("band:") ? "" : "144 MHz");
        QCOMPARE(window->modeList(0)->currentText(), fix.startsWith("mode:") ? "" : "MSK144");
        chooseInList(list, list->findText(fix.mid(5)));
        QCOMPARE(list->currentText(), fix.mid(5));
    }
    grid->setCurrentCell(0, Tfunsaved::CallColumn);
    QTest::mouseClick(window->saveButton, Qt::LeftButton);
    QCOMPARE(contacts(), 1);
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(m_file->column("SELECT strftime('%Y-%m-%d %H:%M:%S', ContestListDateTime + 2415018.5) || ' ' || "
                            "IdBand || ' ' || ModulationName || ' ' || ifnull(ContestListFrequency, '') FROM "
                            "ContestList INNER JOIN Modulation ON ModulationRowid=IdModulation"),
             QVariantList{stored});
}

void TestDigitalWindow::badDatagramsAreDroppedAndCounted()
{
    switchOn();
    send("not WSJT-X");
    send(wsjtx::header(12) + QByteArray("\x7f\xff\xff\xff", 4));
    QTRY_COMPARE(m_window->digitalLink()->link().dropped(), 2);
    QVERIFY(m_window->logView()->hintBar()->text().contains("отброшено сообщений: 2"));
    // A hostile record in a whole datagram is no contact, but is kept for the operator.
    send(wsjtx::loggedAdif("<call:99999>G4XYZ<eor>"));
    QTRY_COMPARE(m_window->digitalLink()->log().unsaved().size(), 1);
    QCOMPARE(m_window->digitalLink()->log().unsaved().first().reason,
             "запись не читается: поле \"CALL\" не читается");
    QCOMPARE(contacts(), 0);
}

// WSJT-X resends its whole log on reconnecting: 1,000 datagrams sent with no pause are more than
// the kernel's default receive buffer holds while contacts are being saved.
void TestDigitalWindow::aBurstOfContactsIsStoredWhole()
{
    switchOn();
    QVERIFY(m_window->digitalLink()->link().receiveBufferBytes() >= WsjtxLink::kReceiveBufferBytes);
    const QList<QByteArray> burst = wsjtx::contestBurst(1000);
    for (const QByteArray& datagram : burst)
        send(datagram);
    QTRY_COMPARE_WITH_TIMEOUT(contacts(), 1000, 60000);
    QCOMPARE(m_file->column("SELECT COUNT(DISTINCT ContestListCall) FROM ContestList").first().toInt(), 1000);
    QCOMPARE(m_window->digitalLink()->link().dropped(), 0);
    QCOMPARE(m_window->digitalLink()->log().unsaved().size(), 0);

    for (const QByteArray& datagram : burst)
        send(datagram);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->digitalLink()->repeatCount(), 1000, 60000);
    QCOMPARE(contacts(), 1000);
    QCOMPARE(m_window->digitalLink()->log().unsaved().size(), 0);
}

// The rig (or WSJT-X) on a band the log does not show: the contact is saved there, and the hint
// bar says where, until the operator turns to that band or a contact is saved on the band shown.
void TestDigitalWindow::aContactSavedOnAnotherBandIsSaid()
{
    switchOn();
    EntryPanel* entry = m_window->entryPanel();
    send(wsjtx::status(432200000, "MSK144", "", ""));
    QTRY_COMPARE(entry->bandList->currentText(), "432 MHz");
    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(contacts(), 1);
    QCOMPARE(m_file->column("SELECT IdBand FROM ContestList"), QVariantList{144});
    HintBar* hints = m_window->logView()->hintBar();
    QCOMPARE(hints->text(), "WSJT-X: связь G4XYZ сохранена на 144 MHz");
    QCOMPARE(entry->bandList->currentText(), "432 MHz"); // the band shown stays
    // The operator turns to the band said: the hint has done its work.
    chooseInList(entry->bandList, entry->bandList->findText("144 MHz"));
    QVERIFY(!hints->text().contains("сохранена"));
    chooseInList(entry->bandList, entry->bandList->findText("432 MHz"));
    send(wsjtx::loggedAdif(wsjtx::contestAdif({{"CALL", "DL1ABC"}, {"TIME_ON", "140600"}, {"STX", "003"}})));
    QTRY_COMPARE(contacts(), 2);
    QCOMPARE(hints->text(), "WSJT-X: связь DL1ABC сохранена на 144 MHz");

    send(wsjtx::loggedAdif(wsjtx::contestAdif({{"CALL", "ON4KST"}, {"FREQ", "432.2005"}, {"STX", "001"}})));
    QTRY_COMPARE(contacts(), 3);
    QVERIFY(!hints->text().contains("сохранена"));
    // Only the call on the band WSJT-X is on is highlighted there as a repeat.
    const QList<QByteArray> back = m_sender.received(1);
    QCOMPARE(back.size(), 1);
    QVERIFY(back[0].contains("ON4KST"));
}

// A call highlighted in WSJT-X as a repeat is withdrawn when its repeat period is over: one timer
// waits for the earliest end, by the program's clock.
void TestDigitalWindow::aHighlightEndsWithItsRepeatPeriod()
{
    switchOn();
    send(wsjtx::status(144360000, "MSK144", "", ""));
    QTRY_COMPARE(m_window->entryPanel()->bandList->currentText(), "144 MHz");
    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(contacts(), 1);
    QCOMPARE(m_sender.received(1).size(), 1); // G4XYZ highlighted
    auto* expiry = m_window->digitalLink()->findChild<QTimer*>("wsjtxHighlightExpiry");
    QVERIFY(expiry && expiry->isActive());
    // Logged at 14:05:30, the clock at 14:06:00: the period less half a minute.
    const qint64 left =
        qint64(std::llround(m_window->contactEntry()->repeatPeriodDaysNow() * 86400000.0)) - 30000;
    QVERIFY(left > 0);
    QVERIFY2(qAbs(expiry->remainingTime() - left) < 2000,
             qPrintable(QString::number(expiry->remainingTime())));

    // Going off early (a clock set back meanwhile) withdraws nothing and waits again.
    expiry->start(0);
    QTRY_VERIFY(expiry->remainingTime() > 1000);
    QVERIFY(m_sender.received(1, 300).isEmpty());

    // The period is over by the program's clock: the highlight goes, and nothing waits.
    m_fakes->clock.current = m_fakes->clock.current.addMSecs(left);
    expiry->start(0);
    const QList<QByteArray> back = m_sender.received(1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, "WSJT-X", "G4XYZ", std::nullopt, std::nullopt, false).toHex());
    QVERIFY(!expiry->isActive());
}

void TestDigitalWindow::saveAHighlightedContact()
{
    switchOn();
    send(wsjtx::status(144360000, "MSK144", "", ""));
    QTRY_COMPARE(m_window->entryPanel()->bandList->currentText(), "144 MHz");
    send(wsjtx::loggedAdif(wsjtx::contestAdif()));
    QTRY_COMPARE(contacts(), 1);
    const QList<QByteArray> back = m_sender.received(1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, "WSJT-X", "G4XYZ", qRgb(255, 160, 160), qRgb(0, 0, 0), false).toHex());
}

// WSJT-X logs Q65 (as FT4) under the ADIF mode MFSK, naming the mode in SUBMODE.
void TestDigitalWindow::aQ65ContactFiledUnderMfskIsStored()
{
    switchOn();
    send(wsjtx::loggedAdif(wsjtx::contestAdif({{"MODE", "MFSK"}, {"SUBMODE", "Q65"}})));
    QTRY_COMPARE(contacts(), 1);
    QCOMPARE(m_file->column("SELECT ModulationName || ' ' || ContestListCall FROM ContestList INNER JOIN "
                            "Modulation ON ModulationRowid=IdModulation"),
             QVariantList{"Q65 G4XYZ"});
    QCOMPARE(m_window->digitalLink()->log().unsaved().size(), 0);
}

// The repeat rule is per band and mode: WSJT-X switched to another mode is told the highlights
// no longer hold, and its calls are judged for that mode; back in MSK144 they are again.
void TestDigitalWindow::highlightsFollowTheModeOfWsjtx()
{
    saveAHighlightedContact();
    send(wsjtx::status(144360000, "FT8", "", ""));
    QList<QByteArray> back = m_sender.received(1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, "WSJT-X", "G4XYZ", std::nullopt, std::nullopt, false).toHex());
    send(wsjtx::decode("CQ G4XYZ IO91", "FT8"));
    QVERIFY(m_sender.received(1, 300).isEmpty()); // no FT8 contact with G4XYZ

    send(wsjtx::status(144360000, "MSK144", "", ""));
    send(wsjtx::decode("CQ G4XYZ IO91", "MSK144"));
    back = m_sender.received(1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, "WSJT-X", "G4XYZ", qRgb(255, 160, 160), qRgb(0, 0, 0), false).toHex());
}

void TestDigitalWindow::aRestartedWsjtxIsSentItsHighlightsAgain_data()
{
    QTest::addColumn<QString>("restart");
    QTest::newRow("Close") << "close";
    QTest::newRow("another port") << "port";
    QTest::newRow("another id") << "id";
}

// WSJT-X forgets its highlights when it closes or restarts (on another port, or as another
// client): a decode of a repeat is highlighted again, to the client now heard.
void TestDigitalWindow::aRestartedWsjtxIsSentItsHighlightsAgain()
{
    QFETCH(QString, restart);
    saveAHighlightedContact();
    send(wsjtx::decode("CQ G4XYZ IO91", "MSK144"));
    QVERIFY(m_sender.received(1, 300).isEmpty()); // highlighted already

    WsjtxSender restarted;
    WsjtxSender& now = restart == "port" ? restarted : m_sender;
    const QString id = restart == "id" ? "WSJT-X - 2" : "WSJT-X";
    if (restart == "close")
        send(wsjtx::close());
    QVERIFY(now.send(m_port, wsjtx::decode("CQ G4XYZ IO91", "MSK144", id)));
    const QList<QByteArray> back = now.received(1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, id, "G4XYZ", qRgb(255, 160, 160), qRgb(0, 0, 0), false).toHex());
}

// Another program (GridTracker, JTAlert) listens on the port too: with a multicast server address
// in WSJT-X and in "UDP адрес:", both get every datagram. A text that is no address is said, and
// nothing is stored.
void TestDigitalWindow::aGroupAddressSharesWsjtxWithAnotherProgram()
{
    openWindow();
    const quint16 port = DummyDaemon::freePort();
    inModal<Tfdigital>(
        [&] { m_window->action("mnDigital")->trigger(); },
        [&](Tfdigital* window) {
            window->addressEdit->clear();
            typeText(window->addressEdit, "239.255.0.1.5");
            window->portEdit->setValue(port);
            window->onBox->setChecked(true);
            window->findChild<QPushButton*>("saveButton")->click();
            QVERIFY(window->isVisible());
            QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
            QVERIFY(m_fakes->prompts.texts().first().startsWith("«239.255.0.1.5» — не IP-адрес"));
            QCOMPARE(m_file->column("SELECT COUNT(*) FROM Setting WHERE SettingName LIKE 'Wsjtx%'"),
                     QVariantList{0});
            window->addressEdit->clear();
            typeText(window->addressEdit, "239.255.0.1");
            window->findChild<QPushButton*>("saveButton")->click();
        });
    QCOMPARE(m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName='WsjtxAddress'"),
             QVariantList{"239.255.0.1"});
    QCOMPARE(m_window->digitalLink()->link().port(), port);
    QVERIFY(m_window->digitalLink()->link().inGroup());
    QVERIFY(m_window->logView()->hintBar()->text().contains("ждём сообщений на 239.255.0.1"));

    QUdpSocket gridTracker;
    QVERIFY(gridTracker.bind(QHostAddress::AnyIPv4, port,
                             QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
    QVERIFY(gridTracker.joinMulticastGroup(QHostAddress("239.255.0.1"), wsjtx::loopback()));
    const QByteArray logged = wsjtx::loggedAdif(wsjtx::contestAdif());
    QVERIFY(m_sender.sendTo(QHostAddress("239.255.0.1"), port, logged));
    QTRY_COMPARE(contacts(), 1);
    QTRY_VERIFY(gridTracker.hasPendingDatagrams());
    QCOMPARE(gridTracker.receiveDatagram().data(), logged);
}

void TestDigitalWindow::highlightsAreJudgedAgain_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("withdrawn");
    QTest::newRow("the program closes") << "close" << true;
    QTest::newRow("another contest chosen") << "contest" << true;
    QTest::newRow("a period that has ended") << "1 минута" << true;
    QTest::newRow("a period still running") << "1 час" << false;
}

// WSJT-X keeps a highlight until it is told otherwise: the program closing withdraws every one
// it set, and another contest or repeat period withdraws those that are no repeat now.
void TestDigitalWindow::highlightsAreJudgedAgain()
{
    QFETCH(QString, change);
    QFETCH(bool, withdrawn);
    saveAHighlightedContact();
    m_window->action("N11")->trigger(); // the timer's period is the one judged by
    auto* timer = m_window->findChild<Tftimer*>();
    QVERIFY(timer && timer->isVisible());
    // Two and a half minutes after the contact: a repeat still in the default period.
    m_fakes->clock.current = QDateTime(QDate(2026, 5, 2), QTime(14, 8), Qt::UTC);
    QVERIFY(m_sender.received(1, 200).isEmpty());

    if (change == "close") {
        m_window->close();
        QCOMPARE(m_window->digitalLink()->link().port(), 0);
    } else if (change == "contest") {
        inModal<Tfcontest>([&] { m_window->action("N7")->trigger(); },
                           [&](Tfcontest* manager) {
                               QVERIFY(manager->contests().locate("ContestRowid", DbValue(2)));
                               manager->chooseButton()->click();
                               manager->close();
                           });
        QVERIFY2(m_fakes->prompts.texts().isEmpty(), qPrintable(m_fakes->prompts.texts().join(" | ")));
        QCOMPARE(m_file->column("SELECT ContestRowid FROM Contest WHERE ContestActual"), QVariantList{2});
        QCOMPARE(m_window->state().CurrentContestId, 2);
    } else {
        timer->periodList()->setCurrentText(change);
    }
    const QList<QByteArray> back = m_sender.received(1, withdrawn ? 3000 : 300);
    if (!withdrawn) {
        QVERIFY(back.isEmpty());
        return;
    }
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].toHex(),
             wsjtxHighlightCallsign(3, "WSJT-X", "G4XYZ", std::nullopt, std::nullopt, false).toHex());
    if (change == "close")
        return;
    // A decode of the call is no repeat now: nothing is highlighted again.
    send(wsjtx::decode("CQ G4XYZ IO91", "MSK144"));
    QVERIFY(m_sender.received(1, 300).isEmpty());
}

QTEST_MAIN(TestDigitalWindow)
#include "tst_digitalwindow.moc"
