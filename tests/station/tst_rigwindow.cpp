#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfband.h"
#include "controls/datagrid.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "station/rigcontrol.h"
#include "station/tfrig.h"
#include "store/logstore.h"
#include "support/dummyrotctld.h"
#include "support/windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

// The rig in the main window: "Трансивер" switches it on, the band and mode lists follow it,
// the panel shows the frequency on the band, a saved contact keeps it and the ADIF export
// writes it; the hint bar says what goes wrong, once.
class TestRigWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void followsTheDummyRigIntoTheLogAndTheExport();
    void aTransverterBandKeepsTheRigsFrequency();
    void aFrequencyOnNoBandIsSaidOnce();
    void aRigThatFailsIsSaidOnceAndItsFrequencyGoes_data();
    void aRigThatFailsIsSaidOnceAndItsFrequencyGoes();
    void tunesToAFrequencyOnABandButNotOnADoubleClick();

private:
    void switchOn(quint16 port);
    void saveContact(const QString& call);
    QString shown(double mhz) const { return QLocale().toString(mhz, 'f', 3) + " МГц"; }

    EntryPanel* m_entry = nullptr;
};

void TestRigWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestRigWindow::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 2);");
}

void TestRigWindow::cleanup()
{
    release();
}

// "Трансивер" as the operator fills it in, after the main window is open.
void TestRigWindow::switchOn(quint16 port)
{
    m_entry = m_window->entryPanel();
    inModal<Tfrig>([&] { m_window->action("mnRig")->trigger(); },
                   [&](Tfrig* window) {
                       QCOMPARE(window->windowTitle(), "Трансивер");
                       QCOMPARE(window->hostEdit->text(), "127.0.0.1");
                       QCOMPARE(window->portEdit->value(), 4532);
                       QVERIFY(!window->onBox->isChecked());
                       window->portEdit->setValue(port);
                       window->onBox->setChecked(true);
                       window->findChild<QPushButton*>("saveButton")->click();
                   });
    QApplication::setActiveWindow(m_window.get()); // as a window manager does after a dialog
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestRigWindow::saveContact(const QString& call)
{
    m_entry->callEdit->setFocus();
    typeText(m_entry->callEdit, call);
    m_entry->receivedNumberEdit->setText("7");
    m_entry->locatorEdit->setFocus();
    typeText(m_entry->locatorEdit, "KO95AA");
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_entry->callEdit->currentText(), ""); // saved
}

void TestRigWindow::followsTheDummyRigIntoTheLogAndTheExport()
{
    DummyRigctld daemon;
    QVERIFY2(daemon.start(), "rigctld (libhamlib-utils) is needed");
    openWindow();
    switchOn(daemon.port());
    // The dummy starts on 145 MHz FM: on the chosen band, in a mode the log has.
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(145.0), 2000);
    QVERIFY(m_entry->frequencyLabel->isVisible());
    QCOMPARE(m_entry->bandList->currentText(), "144 MHz");
    QCOMPARE(m_entry->modeList->currentText(), "FM");

    QVERIFY(daemon.set("F 432200000\nM USB 2400\n"));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_entry->bandList->currentText() == "432 MHz" && m_entry->modeList->currentText() == "SSB", 1000);
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(432.2), 1000);
    QCOMPARE(m_window->state().CurrentBandId, 432); // the log shown is the band's
    QCOMPARE(m_entry->receivedReportEdit->text(), "59");
    saveContact("UA3AAA");
    QCOMPARE(m_file->column(
                 "SELECT IdBand || ' ' || IdModulation || ' ' || ContestListFrequency FROM ContestList"),
             QVariantList{"432 1 432.2"});

    QTemporaryDir dir;
    m_fakes->prompts.pathAnswers = {dir.filePath("field")};
    m_window->action("N5")->trigger();
    QFile file(dir.filePath("field.adi"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray adif = file.readAll();
    QVERIFY2(adif.contains("<FREQ:10>432.200000<"), adif.constData());
    QCOMPARE(m_fakes->prompts.texts(), QStringList{"Экспорт в ADI|"}); // the file's question alone
}

void TestRigWindow::aTransverterBandKeepsTheRigsFrequency()
{
    DummyRigctld daemon;
    QVERIFY2(daemon.start(), "rigctld (libhamlib-utils) is needed");
    QVERIFY(daemon.set("F 432200000\nM USB 2400\n"));
    openWindow();
    switchOn(daemon.port());
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->bandList->currentText(), "432 MHz", 2000);
    // 1,3 GHz through a transverter from 144 MHz, chosen by hand: the rig has not moved, so the
    // choice stands, and 432.2 MHz is no frequency on that band.
    inModal<Tfband>([&] { QTest::keyClick(m_window.get(), Qt::Key_F4); },
                    [&](Tfband* window) { typeIntoCell(*window->grid(), 2, 3, "1152"); });
    chooseInList(m_entry->bandList, 2);
    QCOMPARE(m_entry->bandList->currentText(), "1,3 GHz");
    QTest::qWait(600); // a reading or more
    QCOMPARE(m_entry->bandList->currentText(), "1,3 GHz");
    QVERIFY(!m_entry->frequencyLabel->isVisible());

    QVERIFY(daemon.set("F 144200000\n"));
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(1296.2), 1000);
    QVERIFY(m_entry->frequencyLabel->isVisible());
    QCOMPARE(m_entry->bandList->currentText(), "1,3 GHz");
    saveContact("UA3BBB");
    QCOMPARE(m_file->column("SELECT IdBand || ' ' || ContestListFrequency FROM ContestList"),
             QVariantList{"1300 1296.2"});
    QVERIFY2(m_fakes->prompts.shown.empty(), qPrintable(m_fakes->prompts.texts().join(" | ")));
}

void TestRigWindow::aFrequencyOnNoBandIsSaidOnce()
{
    FakeRotctld daemon;
    daemon.frequency = "7050000";
    openWindow();
    HintBar* hints = m_window->logView()->hintBar();
    switchOn(daemon.port());
    QTRY_COMPARE_WITH_TIMEOUT(hints->status("rigband"),
                              "Трансивер на " + QLocale().toString(7.05, 'f', 3) +
                                  " МГц: это не диапазон лога, диапазон не меняется",
                              2000);
    QCOMPARE(m_entry->bandList->currentText(), "144 MHz");
    QVERIFY(!m_entry->frequencyLabel->isVisible());
    hints->setStatus("rigband", ""); // said once: the next readings say nothing
    daemon.frequency = "7060000";
    QTest::qWait(1200);
    QCOMPARE(hints->status("rigband"), "");
    saveContact("UA3CCC"); // typing and saving go on, without a frequency
    QCOMPARE(m_file->column("SELECT ContestListFrequency FROM ContestList"), QVariantList{QVariant()});
    daemon.frequency = "432300000";
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->bandList->currentText(), "432 MHz", 1000);
    QCOMPARE(hints->status("rigband"), "");
}

void TestRigWindow::aRigThatFailsIsSaidOnceAndItsFrequencyGoes_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    QTest::newRow("silence") << "silence"
                             << "нет ответа за 5 с";
    QTest::newRow("an error answer") << "refuses"
                                     << "ответ RPRT -1";
}

void TestRigWindow::aRigThatFailsIsSaidOnceAndItsFrequencyGoes()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    FakeRotctld daemon;
    daemon.frequency = "432200000";
    daemon.mode = "USB";
    openWindow();
    HintBar* hints = m_window->logView()->hintBar();
    switchOn(daemon.port());
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(432.2), 2000);
    if (fault == "silence")
        daemon.readingsBeforeSilence = 0;
    else
        daemon.refusesAll = true;
    const QString said = QString("Трансивер 127.0.0.1:%1: %2").arg(daemon.port()).arg(cause);
    QTRY_COMPARE_WITH_TIMEOUT(hints->text(), said, 6000);
    // The frequency the rig no longer confirms is neither shown nor logged.
    QVERIFY(!m_entry->frequencyLabel->isVisible());
    saveContact("UA3DDD");
    QCOMPARE(m_file->column("SELECT IdBand || ' ' || COALESCE(ContestListFrequency, '-') FROM ContestList"),
             QVariantList{"432 -"});
    // Back after a while, and said so.
    daemon.readingsBeforeSilence = -1;
    daemon.refusesAll = false;
    QTRY_COMPARE_WITH_TIMEOUT(hints->text(),
                              QString("Трансивер 127.0.0.1:%1: снова отвечает").arg(daemon.port()), 4000);
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(432.2), 1000);
}

void TestRigWindow::tunesToAFrequencyOnABandButNotOnADoubleClick()
{
    FakeRotctld daemon;
    daemon.frequency = "144200000";
    m_file->sqlite("UPDATE Band SET BandTransverterOffset=1152 WHERE BandRowid=1300;"
                   "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
                   "ContestListQTH, IdModulation, ContestListSendNum) VALUES (1, 144, 42200.4, 'UA3ABC', "
                   "'KO95AA', 1, 1);");
    openWindow();
    RigControl* rig = m_window->rigControl();
    QVERIFY(!rig->tune("1,3 GHz", 1296250000)); // switched off
    switchOn(daemon.port());
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(144.2), 2000);
    // A double click on a contact of the log picks its call; it does not tune the rig.
    DataGrid* grid = m_window->logView()->grid();
    doubleClick(*grid, grid->model()->index(0, LogView::CallColumn));
    QCOMPARE(m_entry->callEdit->currentText(), "UA3ABC");
    QTest::qWait(600);
    QVERIFY(!rig->tune("1,3 GHz", 432200000)); // not on that band
    QVERIFY(!rig->tune("50 MHz", 50200000));   // no such band
    QVERIFY(std::none_of(daemon.received.begin(), daemon.received.end(),
                         [](const QByteArray& command) { return command.startsWith("F "); }));

    QVERIFY(rig->tune("1,3 GHz", 1296250000)); // the rig 1152 MHz lower, on the band meant
    QTRY_VERIFY_WITH_TIMEOUT(daemon.received.contains("F 144250000"), 1000);
    QCOMPARE(m_entry->bandList->currentText(), "1,3 GHz");
    QCOMPARE(m_window->state().CurrentBandId, 1300);
    QTRY_COMPARE_WITH_TIMEOUT(m_entry->frequencyLabel->text(), shown(1296.25), 1000);
    QVERIFY2(m_fakes->prompts.shown.empty(), qPrintable(m_fakes->prompts.texts().join(" | ")));
}

QTEST_MAIN(TestRigWindow)
#include "tst_rigwindow.moc"
