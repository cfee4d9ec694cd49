#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfoptions.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

// The time zone window from the main window's menu: the entries, the stored choice, the
// clock corrected at once, and the computer's own zone when nothing is stored.
class TestTimeZone : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void entries_data();
    void entries();
    void choiceIsStoredAndCorrectsTheClock();
    void escapeStoresNothing();
    void freshLogPreselectsTheComputersZone();

private:
    // "Часовой пояс" from the menu; `act` works the window while it is up.
    void openTimeZone(std::function<void(Tfoptions*)> act);
};

void TestTimeZone::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);");
}

void TestTimeZone::cleanup()
{
    release();
}

void TestTimeZone::openTimeZone(std::function<void(Tfoptions*)> act)
{
    bool seen = false;
    whenModalOpens([&](QWidget* modal) {
        auto* window = qobject_cast<Tfoptions*>(modal);
        QVERIFY(window);
        seen = true;
        act(window);
        if (window->isVisible())
            window->reject();
    });
    m_window->action("N4")->trigger();
    QVERIFY(seen);
}

void TestTimeZone::entries_data()
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
}

void TestTimeZone::entries()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    openWindow();
    openTimeZone([&](Tfoptions* window) {
        QCOMPARE(window->zoneList()->count(), 25);
        QCOMPARE(window->zoneList()->itemText(position), text);
        QCOMPARE(window->windowTitle(), "Часовой пояс");
        QVERIFY(isCentredOn(*window, *m_window));
        // The world map with the chosen zone drawn over it.
        QCOMPARE(window->mapPicture()->pixmap().size(), QSize(607, 351));
    });
}

void TestTimeZone::choiceIsStoredAndCorrectsTheClock()
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

void TestTimeZone::escapeStoresNothing()
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

void TestTimeZone::freshLogPreselectsTheComputersZone()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Moscow");
    auto restoreZone = qScopeGuard([&] { zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone); });
    m_fakes->clock.current = QDateTime(QDate(2026, 12, 10), QTime(12, 1, 0), Qt::UTC);
    openWindow();
    QCOMPARE(m_window->entryPanel()->timeEdit->time(), QTime(12, 1, 0)); // UTC before any choice
    openTimeZone([&](Tfoptions* window) {
        QCOMPARE(window->zoneList()->currentText(), "+3 (Москва)");
        QVERIFY2(window->systemZoneLine()->text().contains("UTC+3"),
                 qPrintable(window->systemZoneLine()->text()));
    });
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Setting WHERE SettingName='SettingFormClock'"),
             QVariantList{0});
}

QTEST_MAIN(TestTimeZone)
#include "tst_timezone.moc"
