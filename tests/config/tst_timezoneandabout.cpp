#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfabout.h"
#include "config/tfoptions.h"
#include "controls/hintbar.h"
#include "controls/linklabel.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/windowtest.h"
#include <QSlider>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

// The time zone window from the main window's menu: the entries, the stored choice, the
// clock corrected at once, and the computer's own zone when nothing is stored; the about box.
class TestTimeZoneAndAbout : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void entries_data();
    void entries();
    void choiceIsStoredAndCorrectsTheClock();
    void escapeStoresNothing();
    void freshLogPreselectsTheComputersClock();
    void summerTimeZoneMismatchIsSaid_data();
    void summerTimeZoneMismatchIsSaid();
    void savingTheZoneKeepsATimeTypedByHand();
    void aboutBoxOpensItsLinks();
    void largeFontKeepsTheZoneLineInView();

private:
    // "Часовой пояс" from the menu; `act` works the window while it is up.
    void openTimeZone(std::function<void(Tfoptions*)> act);
};

void TestTimeZoneAndAbout::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);");
}

void TestTimeZoneAndAbout::cleanup()
{
    release();
}

void TestTimeZoneAndAbout::openTimeZone(std::function<void(Tfoptions*)> act)
{
    inModal<Tfoptions>([&] { m_window->action("N4")->trigger(); }, act);
}

void TestTimeZoneAndAbout::entries_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("-12") << 0 << "-12";
    QTest::newRow("0") << 12 << "0";
    QTest::newRow("+1") << 13 << "+1";
    QTest::newRow("+2") << 14 << "+2 (Калининград)";
    QTest::newRow("+3") << 15 << "+3 (Москва)";
    QTest::newRow("+10") << 22 << "+10 (Магадан, Сахалин, Владивосток)";
    QTest::newRow("+11") << 23 << "+11";
    QTest::newRow("+12") << 24 << "+12 (Камчатка, Чукотка)";
    QTest::newRow("computer") << 25 << "По часам компьютера";
}

void TestTimeZoneAndAbout::entries()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    openWindow();
    openTimeZone([&](Tfoptions* window) {
        QCOMPARE(window->zoneList()->count(), 26);
        QCOMPARE(window->zoneList()->itemText(position), text);
        QCOMPARE(window->windowTitle(), "Часовой пояс");
        QVERIFY(isCentredOn(*window, *m_window));
        // The world map with the chosen zone drawn over it.
        QCOMPARE(window->mapPicture()->pixmap().size(), QSize(607, 351));
    });
}

void TestTimeZoneAndAbout::choiceIsStoredAndCorrectsTheClock()
{
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SettingFormClock', 12)");
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 0, 0), Qt::UTC);
    openWindow();
    QCOMPARE(m_window->entryPanel()->timeEdit->time(), m_fakes->clock.current.toLocalTime().time());
    openTimeZone([&](Tfoptions* window) {
        QCOMPARE(window->zoneList()->currentIndex(), 12);
        chooseInList(window->zoneList(), 15);
        QCOMPARE(window->zoneList()->currentText(), "+3 (Москва)");
        QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    });
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='SettingFormClock'"),
             QVariantList{15});
    QCOMPARE(m_window->state().ClockOffsetHours, -3);
    // At once: local time minus three hours.
    QCOMPARE(m_window->entryPanel()->timeEdit->time(),
             m_fakes->clock.current.toLocalTime().addSecs(-3 * 3600).time());
    openTimeZone([&](Tfoptions* window) { QCOMPARE(window->zoneList()->currentText(), "+3 (Москва)"); });
}

void TestTimeZoneAndAbout::escapeStoresNothing()
{
    openWindow();
    openTimeZone([&](Tfoptions* window) {
        chooseInList(window->zoneList(), 7);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    });
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Setting WHERE SettingName='SettingFormClock'"),
             QVariantList{0});
    QVERIFY(!m_window->state().ClockZoneChosen);
}

void TestTimeZoneAndAbout::freshLogPreselectsTheComputersClock()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Moscow");
    auto restoreZone = qScopeGuard([&] { zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone); });
    m_fakes->clock.current = QDateTime(QDate(2026, 12, 10), QTime(12, 1, 0), Qt::UTC);
    openWindow();
    QCOMPARE(m_window->entryPanel()->timeEdit->time(), QTime(12, 1, 0)); // UTC before any choice
    openTimeZone([&](Tfoptions* window) {
        QCOMPARE(window->zoneList()->currentText(), "По часам компьютера");
        QVERIFY2(window->systemZoneLine()->text().contains("UTC+3"),
                 qPrintable(window->systemZoneLine()->text()));
        QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    });
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='SettingFormClock'"),
             QVariantList{25});
    QVERIFY(!m_window->state().ClockZoneChosen);
    QCOMPARE(m_window->entryPanel()->timeEdit->time(), QTime(12, 1, 0));
    QCOMPARE(m_window->logView()->hintBar()->text(), "");
}

// A whole-hour zone stored in winter is an hour off in summer: the clock of a log that chose
// nothing, or the computer's clock, stays UTC; a stored offset that is not the computer's
// now is pointed out at start.
void TestTimeZoneAndAbout::summerTimeZoneMismatchIsSaid_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QTime>("clock");
    QTest::addColumn<QString>("hint");
    QTest::newRow("nothing stored") << QVariant() << QTime(10, 0) << "";
    QTest::newRow("computer's clock") << QVariant(25) << QTime(10, 0) << "";
    QTest::newRow("+2, as in summer") << QVariant(14) << QTime(10, 0) << "";
    QTest::newRow("+1, as in winter")
        << QVariant(13) << QTime(11, 0) << "Часовой пояс в настройках: +1, у компьютера: +2";
}

void TestTimeZoneAndAbout::summerTimeZoneMismatchIsSaid()
{
    QFETCH(QVariant, stored);
    QFETCH(QTime, clock);
    QFETCH(QString, hint);
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    auto restoreZone = qScopeGuard([&] { zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone); });
    if (stored.isValid())
        m_file->sqlite(
            QString("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SettingFormClock', %1)")
                .arg(stored.toInt()));
    m_fakes->clock.current = QDateTime(QDate(2026, 7, 15), QTime(10, 0, 0), Qt::UTC); // summer: UTC+2
    openWindow();
    QCOMPARE(m_window->entryPanel()->timeEdit->time(), clock);
    QCOMPARE(m_window->logView()->hintBar()->text(), hint);
}

// With the clock stopped and a date and time typed, saving a zone changes the correction
// only: the next contact gets the time the operator typed.
void TestTimeZoneAndAbout::savingTheZoneKeepsATimeTypedByHand()
{
    openWindow();
    m_window->action("mnRealDateTime")->trigger();
    QVERIFY(m_window->entryPanel()->timeEdit->isEnabled());
    m_window->entryPanel()->dateEdit->setDate(QDate(2020, 1, 11));
    m_window->entryPanel()->timeEdit->setTime(QTime(2, 0, 0));
    openTimeZone([&](Tfoptions* window) {
        chooseInList(window->zoneList(), 15);
        QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    });
    QCOMPARE(m_window->state().ClockOffsetHours, -3);
    QCOMPARE(m_window->entryPanel()->dateEdit->date(), QDate(2020, 1, 11));
    QCOMPARE(m_window->entryPanel()->timeEdit->time(), QTime(2, 0, 0));
}

void TestTimeZoneAndAbout::aboutBoxOpensItsLinks()
{
    openWindow();
    bool seen = false;
    QStringList linkTexts;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<Tfabout*>(modal);
        QVERIFY(box);
        seen = true;
        QCOMPARE(box->windowTitle(), "О программе");
        QVERIFY(isCentredOn(*box, *m_window));
        QVERIFY(box->findChild<QLabel*>("versionLine")
                    ->text()
                    .startsWith("Версия программы 1.9 от 12 ноября 2016г."));
        QCOMPARE(box->links().size(), 4);
        LinkLabel* mail = box->links().first();
        QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(mail, &enter);
        QVERIFY(mail->font().underline() && mail->font().bold());
        QCOMPARE(mail->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(mail, &leave);
        QVERIFY(!mail->font().underline());
        for (LinkLabel* link : box->links()) {
            linkTexts << link->text();
            QTest::mouseClick(link, Qt::LeftButton);
        }
        for (QLabel* icon : box->icons())
            QTest::mouseClick(icon, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(!box->isVisible());
    });
    m_window->action("N28")->trigger();
    QVERIFY(seen);
    const QList<QUrl>& opened = m_fakes->desktop.opened;
    QCOMPARE(opened.size(), 7);
    QCOMPARE(opened[0].toString(), "mailto:" + linkTexts[0]);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(opened[i].toString(), linkTexts[i]);
    QCOMPARE(opened.mid(4), Tfabout::iconAddresses());
}

void TestTimeZoneAndAbout::largeFontKeepsTheZoneLineInView()
{
    openWindow();
    m_window->logView()->fontSlider()->setValue(25);
    openTimeZone([&](Tfoptions* window) {
        QCOMPARE(window->font().pointSize(), 25);
        QVERIFY(window->systemZoneLine()->geometry().bottom() < window->height());
        QCOMPARE(window->saveButton()->height(), 62); // 25 x 2.5, the half to even
    });
}

QTEST_MAIN(TestTimeZoneAndAbout)
#include "tst_timezoneandabout.moc"
