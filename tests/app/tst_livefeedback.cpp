#include "app/livefeedback.h"
#include "app/logview.h"
#include "app/mainstate.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/drlabel.h"
#include "controls/headingneedle.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "controls/rotateimage.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "station/tfrotator.h"
#include "store/logstore.h"
#include "support/dummyrotctld.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

// The read-outs while a contact is typed: compass, needle, earlier contacts, last locator.
class TestLiveFeedback : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void partialLocatorsAreCompleted_data();
    void partialLocatorsAreCompleted();
    void readoutUsesTheDecimalComma();
    void leavingTheLocatorTurnsOnlyTheNeedle();
    void earlierContactsFromTheFourthCharacter();
    void pickedCallFillsItsLastLocatorInGrey();
    void typedCallThatWasLoggedIsNotAPick();
    void gridRowTurnsTheNeedle();
    void captionWithoutContest();
    void readoutColourIsChosen();
    void aMovedQthIsFlagged();
    void theAntennaFollowsTheCompass();
    void anUnreachableRotatorIsSaidOnce();
    void aRotatorThatFallsSilentLosesItsNeedle();

private:
    void openWindow();
    void typeInto(QWidget* field, const QString& text);

    EntryPanel* m_entry = nullptr;
};

void TestLiveFeedback::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestLiveFeedback::init()
{
    prepare(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
        "INSERT INTO Contest (ContestRowid, ContestName) VALUES (2, 'Прошлый');"
        "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH, "
        "IdModulation, ContestListSendNum, ContestListAzimut, ContestListDistance) VALUES "
        "(1, 144, 42200.4, 'UA3ABC', 'KO95AA', 1, 1, 89, 127.4), (1, 432, 42200.5, 'UA3ABC', 'KO95AA', 1, 1, "
        "89, 127.4), (2, 144, 42100.5, 'RK3DEF', 'KO86AA', 1, 1, 0, 111.1), "
        "(1, 144, 42200.6, 'UA3AB', 'KO85AB', 1, 2, 0, 4.6);"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0);");
}

void TestLiveFeedback::cleanup()
{
    release();
}

void TestLiveFeedback::openWindow()
{
    WindowTest::openWindow();
    m_entry = m_window->entryPanel();
    QTest::qWait(100); // the start-up layout and the call history
}

void TestLiveFeedback::typeInto(QWidget* field, const QString& text)
{
    field->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), text);
}

void TestLiveFeedback::partialLocatorsAreCompleted_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("meant");
    QTest::newRow("K") << "k"
                       << "";
    QTest::newRow("KO") << "ko"
                        << "KO55AA";
    QTest::newRow("KO8") << "ko8"
                         << "KO85AA";
    QTest::newRow("KO85") << "ko85"
                          << "KO85MM";
    QTest::newRow("KO85U") << "ko85u"
                           << "KO85UM";
    QTest::newRow("KO85UR") << "ko85ur"
                            << "KO85UR";
}

void TestLiveFeedback::partialLocatorsAreCompleted()
{
    QFETCH(QString, typed);
    QFETCH(QString, meant);
    openWindow();
    typeInto(m_entry->locatorEdit, typed);
    QString expected;
    int angle = 0;
    if (!meant.isEmpty()) {
        int azimuth = 0;
        double distance = 0;
        LocatorAzimuthDistance("KO85AA", meant, azimuth, distance);
        expected = LiveFeedback::readoutText(distance, azimuth);
        angle = 360 - azimuth;
    }
    QCOMPARE(m_entry->distanceLabel->text(), expected);
    if (!meant.isEmpty())
        QCOMPARE(double(m_entry->arrowImage->angle()), double(angle));
}

void TestLiveFeedback::readoutUsesTheDecimalComma()
{
    openWindow();
    typeInto(m_entry->locatorEdit, "ko95aa");
    QCOMPARE(m_entry->distanceLabel->text(), "127,4 km\n\r89°");
    QCOMPARE(double(m_entry->arrowImage->angle()), 271.0);
    // Centred on the compass, needle and read-out alike.
    const QPoint compass = m_entry->compassImage->geometry().center();
    QVERIFY((m_entry->distanceLabel->geometry().center() - compass).manhattanLength() <= 2);
    QVERIFY((m_entry->arrowImage->geometry().center() - compass).manhattanLength() <= 2);
}

void TestLiveFeedback::leavingTheLocatorTurnsOnlyTheNeedle()
{
    openWindow();
    m_entry->arrowImage->setAngle(0);
    m_entry->locatorEdit->setText("KO95AA"); // set without keys: no read-out yet
    m_entry->showReadout("x");
    m_entry->locatorEdit->setFocus();
    m_entry->receivedNumberEdit->setFocus();
    QCOMPARE(double(m_entry->arrowImage->angle()), 271.0);
    QCOMPARE(m_entry->distanceLabel->text(), "x");

    m_entry->arrowImage->setAngle(5);
    m_entry->locatorEdit->setText("KO85");
    m_entry->locatorEdit->setFocus();
    m_entry->receivedNumberEdit->setFocus();
    QCOMPARE(double(m_entry->arrowImage->angle()), 5.0);
}

void TestLiveFeedback::earlierContactsFromTheFourthCharacter()
{
    openWindow();
    DataGrid* earlier = m_entry->earlierContactsGrid;
    typeInto(m_entry->callEdit, "ua3");
    QVERIFY(!earlier->isVisible());
    QTest::keyClicks(QApplication::focusWidget(), "ab");
    QVERIFY(earlier->isVisible()); // UA3AB, exactly
    QCOMPARE(earlier->cursor()->rowCount(), 1);
    QTest::keyClicks(QApplication::focusWidget(), "c");
    QCOMPARE(earlier->cursor()->rowCount(), 2); // both bands, newest first
    QCOMPARE(earlier->cursorModel()->displayText(0, 2), "432");
    m_entry->callEdit->setEditText("");
    typeInto(m_entry->callEdit, "rk3def"); // worked in another contest only
    QVERIFY(!earlier->isVisible());
}

void TestLiveFeedback::pickedCallFillsItsLastLocatorInGrey()
{
    openWindow();
    PickComboBox* call = m_entry->callEdit;
    const int index = call->findText("RK3DEF");
    QVERIFY(index >= 0);
    call->setCurrentIndex(index);
    emit call->picked(index);
    QCOMPARE(m_entry->locatorEdit->text(), "KO86AA"); // from any contest
    QVERIFY(m_entry->isLocatorAutoFilled());
    // Leaving the locator field turns it black again; one more letter in the call drops it.
    call->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QCOMPARE(m_entry->locatorEdit->text(), "KO86AA");
    QTest::keyClicks(QApplication::focusWidget(), "p");
    QCOMPARE(m_entry->locatorEdit->text(), "");
}

void TestLiveFeedback::typedCallThatWasLoggedIsNotAPick()
{
    openWindow();
    typeInto(m_entry->callEdit, "rk3def");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_entry->locatorEdit->text(), "");
    QVERIFY(!m_entry->isLocatorAutoFilled());
}

void TestLiveFeedback::gridRowTurnsTheNeedle()
{
    openWindow();
    Cursor& log = m_window->logView()->log(); // 144 MHz, newest first: UA3AB, UA3ABC
    QCOMPARE(m_entry->distanceLabel->text(), "4,6 km\n\r0°");
    log.setCurrentRow(1);
    QCOMPARE(m_entry->distanceLabel->text(), "127,4 km\n\r89°");
    QCOMPARE(double(m_entry->arrowImage->angle()), 271.0);
}

void TestLiveFeedback::captionWithoutContest()
{
    m_file->sqlite("UPDATE Contest SET ContestActual=0");
    openWindow();
    QCOMPARE(m_window->windowTitle(), "Нет выбранных соревнований / UA3XYZ из KO85AA");
    typeInto(m_entry->callEdit, "ua3abc");
    QVERIFY(!m_entry->earlierContactsGrid->isVisible());
}

void TestLiveFeedback::readoutColourIsChosen()
{
    openWindow();
    m_fakes->prompts.colourAnswers = {QColor(200, 0, 0)};
    QTest::mouseDClick(m_entry->distanceLabel, Qt::LeftButton);
    QCOMPARE(m_entry->distanceLabel->fontColor(), QColor(200, 0, 0));
    m_window->logView()->fontSlider()->setValue(12); // the font size leaves the colour
    QCOMPARE(m_entry->distanceLabel->fontColor(), QColor(200, 0, 0));
}

void TestLiveFeedback::aMovedQthIsFlagged()
{
    openWindow();
    QLabel* hintBar = m_window->logView()->hintBar();
    const QColor normal = m_entry->locatorEdit->palette().color(QPalette::Base);
    const auto flagged = [&] { return m_entry->locatorEdit->palette().color(QPalette::Base) != normal; };
    // Logged in the other contest: the whole log counts.
    typeInto(m_entry->callEdit, "rk3def");
    typeInto(m_entry->locatorEdit, "ko86ab");
    QVERIFY(flagged());
    QCOMPARE(m_entry->locatorEdit->palette().color(QPalette::Base), MainState::MovedQthColor);
    QCOMPARE(hintBar->text(), "Прежний QTH: KO86AA, 06.04.2015");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace); // five characters: not yet
    QVERIFY(!flagged());
    QCOMPARE(hintBar->text(), "");
    QTest::keyClicks(QApplication::focusWidget(), "a"); // the same place
    QVERIFY(!flagged());

    // A contact saved now is the call's last one at once; the warning does not refuse a save.
    chooseInList(m_entry->modeList, 1);
    m_entry->callEdit->setFocus();
    m_entry->callEdit->setEditText(QString());
    typeInto(m_entry->callEdit, "ua3dx");
    typeInto(m_entry->receivedNumberEdit, "7");
    typeInto(m_entry->locatorEdit, "ko91og");
    QVERIFY(!flagged());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_entry->callEdit->currentText(), ""); // saved
    chooseInList(m_entry->bandList, 1);             // not a repeat: another band
    typeInto(m_entry->callEdit, "ua3dx");
    typeInto(m_entry->receivedNumberEdit, "8");
    typeInto(m_entry->locatorEdit, "ko91oh");
    QVERIFY(flagged());
    QVERIFY2(hintBar->text().startsWith("Прежний QTH: KO91OG, "), qPrintable(hintBar->text()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_entry->callEdit->currentText(), "");
    QVERIFY(!flagged()); // the fields are empty again
    QCOMPARE(m_file->column("SELECT ContestListQTH FROM ContestList WHERE ContestListCall='UA3DX' "
                            "ORDER BY ContestListRowid"),
             (QVariantList{"KO91OG", "KO91OH"}));
    QVERIFY(m_fakes->prompts.shown.empty());
}

void TestLiveFeedback::theAntennaFollowsTheCompass()
{
    DummyRotctld daemon;
    QVERIFY2(daemon.start(), "rotctld (libhamlib-utils) is needed");
    openWindow();
    QVERIFY(!m_entry->turnAntennaButton->isVisible()); // off until switched on
    inModal<Tfrotator>([&] { m_window->action("mnRotator")->trigger(); },
                       [&](Tfrotator* window) {
                           window->hostEdit->setText("127.0.0.1");
                           window->portEdit->setValue(daemon.port());
                           window->onBox->setChecked(true);
                           window->findChild<QPushButton*>("saveButton")->click();
                       });
    QVERIFY(m_entry->turnAntennaButton->isVisible());
    QApplication::setActiveWindow(m_window.get()); // as a window manager does after a dialog
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    typeInto(m_entry->locatorEdit, "ko95aa"); // from KO85AA: 89°
    QCOMPARE(m_entry->needleAzimuth(), 89);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     const auto heading = m_entry->headingNeedle->heading();
                     return heading && std::abs(*heading - 89) < 1;
                 },
                 60000),
             qPrintable(QString::number(m_entry->headingNeedle->heading().value_or(-1))));
    QVERIFY(m_entry->headingNeedle->isVisible());
    QCOMPARE(m_window->logView()->hintBar()->text(), "");
}

void TestLiveFeedback::anUnreachableRotatorIsSaidOnce()
{
    m_file->sqlite(
        QString("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('RotatorHost', '127.0.0.1');"
                "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('RotatorPort', %1), "
                "('RotatorOn', 1);")
            .arg(DummyRotctld::freePort()));
    openWindow();
    QLabel* hintBar = m_window->logView()->hintBar();
    typeInto(m_entry->locatorEdit, "ko95aa");
    QTest::mouseClick(m_entry->turnAntennaButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return hintBar->text().startsWith("Поворотное устройство 127.0.0.1:"); },
                            10000));
    hintBar->clear();
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_R, Qt::ControlModifier); // tried again, said once
    QTest::qWait(300);
    QCOMPARE(hintBar->text(), "");
    typeInto(m_entry->callEdit, "ua3dx"); // typing goes on
    QCOMPARE(m_entry->callEdit->currentText(), "UA3DX");
    QVERIFY(!m_entry->headingNeedle->isVisible());
}

void TestLiveFeedback::aRotatorThatFallsSilentLosesItsNeedle()
{
    FakeRotctld daemon; // answers the heading twice, then nothing
    daemon.readingsBeforeSilence = 2;
    m_file->sqlite(
        QString("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('RotatorHost', '127.0.0.1');"
                "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('RotatorPort', %1), "
                "('RotatorOn', 1);")
            .arg(daemon.port()));
    openWindow();
    QLabel* hintBar = m_window->logView()->hintBar();
    QTRY_VERIFY_WITH_TIMEOUT(m_entry->headingNeedle->isVisible(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(daemon.received.count("p"), 3, 3000); // the third goes unanswered
    QTRY_COMPARE_WITH_TIMEOUT(
        hintBar->text(), QString("Поворотное устройство 127.0.0.1:%1: нет ответа за 5 с").arg(daemon.port()),
        6000);
    QVERIFY(!m_entry->headingNeedle->isVisible());
    daemon.readingsBeforeSilence = -1; // back, and the next turn connects again
    typeInto(m_entry->locatorEdit, "ko95aa");
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_R, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(daemon.received.contains("P 89 0"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(m_entry->headingNeedle->isVisible(), 3000);
    QCOMPARE(daemon.connections, 2);
    // The failure is over, and the hint bar says so in its place.
    QTRY_COMPARE(hintBar->text(),
                 QString("Поворотное устройство 127.0.0.1:%1: снова отвечает").arg(daemon.port()));
}

QTEST_MAIN(TestLiveFeedback)
#include "tst_livefeedback.moc"
