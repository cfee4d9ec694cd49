#include "app/contactentry.h"
#include "app/livefeedback.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/drlabel.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "onair/calllist.h"
#include "sharing/arrivedcontact.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

// The call list: its files read, the calls found by a part of them, an import that adds each
// pair once; and in the main window, "Импорт списка позывных", the matching calls under the call
// field and the list's locator offered until accepted.
class TestCallList : public WindowTest
{
    Q_OBJECT
private slots:
    void readsListFiles_data();
    void readsListFiles();
    void findsCallsOwnLogFirstAndImportsEachPairOnce();
    void theLatestImportWinsAndEditsAreFollowedCallByCall();
    void theBookFollowsTheLogsChanges_data();
    void theBookFollowsTheLogsChanges();
    void importedListCompletesTheCallAndOffersTheLocator();
    void matchesAreChosenWithTheKeyboard();
    void anAcceptedSquareIsCompletedBeforeTheSave_data();
    void anAcceptedSquareIsCompletedBeforeTheSave();
    void anUnreadableFileChangesNothing();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

QString TestCallList::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

void TestCallList::readsListFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries"); // "CALL LOCATOR"
    QTest::addColumn<QList<int>>("unread");
    QTest::newRow("CALL3") << QByteArray("// comment\r\nG4XYZ,IO91WM,,,144\r\nok1abc,jo60aa\r\nDL1ABC,,x\r\n"
                                         "BAD,JO60AA\r\nDL2XX,XX99ZZ\r\nZZZZ\r\nF6ABC,JN18AA\r\n")
                           << QStringList{"G4XYZ IO91WM", "OK1ABC JO60AA", "DL1ABC "} << QList<int>{5, 6};
    QTest::newRow("CALL3 with squares")
        << QByteArray("G4XYZ,IO91,,,\r\nok1abc,jo60\r\nDL1ABC,JO6\r\nF6ABC,YY91\r\nG4ABC,IO9A\r\n"
                      "DL2XX,IO91W\r\n")
        << QStringList{"G4XYZ IO91", "OK1ABC JO60"} << QList<int>{3, 4, 5, 6};
    QTest::newRow("semicolons, CP1251 comment")
        << QByteArray("UA3ABC;KO85AA;\xcf\xf0\xe8\xe2\xe5\xf2\n\nRA1CCC ; ko59xx\n;;\n")
        << QStringList{"UA3ABC KO85AA", "RA1CCC KO59XX"} << QList<int>{4};
    QTest::newRow("EDI contacts")
        << QByteArray("[REG1TEST;1]\r\nPCall=UA3ABC\r\n[QSORecords;2]\r\n"
                      "150715;1000;G4XYZ;1;59;001;59;002;;IO91WM;127;;;;\r\nbroken\r\n[END;x]\r\n")
        << QStringList{"G4XYZ IO91WM"} << QList<int>{5};
}

void TestCallList::readsListFiles()
{
    QFETCH(QByteArray, bytes);
    const std::optional<CallListReading> reading = readCallList(bytes);
    QVERIFY(reading);
    QStringList entries;
    for (const CallListEntry& entry : reading->entries)
        entries << entry.call + ' ' + entry.locator;
    QTEST(entries, "entries");
    QTEST(reading->unreadLines, "unread");
    QVERIFY(!readCallList(QByteArray("G4XYZ,IO91WM\0", 13)));
}

void TestCallList::findsCallsOwnLogFirstAndImportsEachPairOnce()
{
    prepare("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListQTH) VALUES "
            "(1, 144, 'G4XAA', 'IO80AA'), (2, 432, 'UA3ABC', 'KO85AA'), (1, 144, 'G4XBB', '');");
    auto store = m_file->openStore(m_fakes->prompts);
    CallBook book;
    book.load(store->db());
    std::vector<CallListEntry> entries{
        {"G4XYZ", "IO91WM"}, {"G4XAA", "IO81BB"}, {"OK1ABC", ""}, {"G4XYZ", "IO91WM"}};
    QCOMPARE(book.import(store->db(), entries), 3);
    QCOMPARE(book.import(store->db(), entries), 0); // the same file again adds nothing
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM CallList").first().toInt(), 3);

    // The own log first, newest first; then the list; a call once.
    QCOMPARE(book.matching("g4x", 10), QStringList({"G4XBB", "G4XAA", "G4XYZ"}));
    QCOMPARE(book.matching("G4X", 2), QStringList({"G4XBB", "G4XAA"}));
    QCOMPARE(book.matching("4XY", 10), QStringList{"G4XYZ"});
    QCOMPARE(book.matching("G4'X", 10), QStringList());
    // The own log's locator before the list's.
    QCOMPARE(book.locatorOf("G4XAA"), "IO80AA");
    QCOMPARE(book.locatorOf("g4xyz"), "IO91WM");
    QCOMPARE(book.ownLocator("G4XYZ"), "");
    // Read again from the file: the same.
    CallBook again;
    again.load(store->db());
    QCOMPARE(again.matching("G4X", 10), book.matching("G4X", 10));
    QCOMPARE(again.locatorOf("G4XYZ"), "IO91WM");
    // A save makes its call the newest of the log.
    book.logged("G4XAA", "IO80AA");
    QCOMPARE(book.matching("G4X", 10), QStringList({"G4XAA", "G4XBB", "G4XYZ"}));
}

void TestCallList::theLatestImportWinsAndEditsAreFollowedCallByCall()
{
    prepare("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListQTH) VALUES "
            "(1, 144, 'G4XAA', 'IO80AA'), (1, 432, 'G4XAA', 'IO80BB'), (1, 144, 'G4XBB', 'IO81AA');");
    auto store = m_file->openStore(m_fakes->prompts);
    CallBook book;
    book.load(store->db());
    const std::vector<CallListEntry> first{{"G4XYZ", "IO91WM"}, {"OK1ABC", "JO60"}};
    const std::vector<CallListEntry> second{{"G4XYZ", "IO91"}, {"G4XYZ", "IO91AA"}};
    book.import(store->db(), first);
    QCOMPARE(book.import(store->db(), second), 2);
    QCOMPARE(book.listLocator("G4XYZ"), "IO91AA"); // the latest file, its last line
    // The first file again adds nothing, and its locator is the newest, now and once read again.
    QCOMPARE(book.import(store->db(), first), 0);
    QCOMPARE(book.listLocator("G4XYZ"), "IO91WM");
    CallBook again;
    again.load(store->db());
    QCOMPARE(again.listLocator("G4XYZ"), "IO91WM");
    QCOMPARE(again.locatorOf("OK1ABC"), "JO60");
    QCOMPARE(again.matching("G4X", 10), book.matching("G4X", 10));

    // An edited and a deleted contact: their calls read again, as a whole reading would find them.
    QCOMPARE(book.ownLocator("G4XAA"), "IO80BB");
    m_file->sqlite("UPDATE ContestList SET ContestListQTH='' WHERE ContestListQTH='IO80BB';"
                   "DELETE FROM ContestList WHERE ContestListCall='G4XBB';");
    book.recheck(store->db(), {"G4XAA", "g4xbb"});
    QCOMPARE(book.ownLocator("G4XAA"), "IO80AA");
    QCOMPARE(book.ownLocator("G4XBB"), "");
    again.load(store->db());
    QCOMPARE(book.matching("G4X", 10), QStringList({"G4XAA", "G4XYZ"}));
    QCOMPARE(again.matching("G4X", 10), book.matching("G4X", 10));

    // Calls added again and taken out many times over: the index finds what a plain list holds.
    CallIndex index;
    QStringList newestLast;
    for (int i = 0; i < 3000; ++i) {
        const QString call = QString("R%1X").arg(i * 7 % 211);
        newestLast.removeAll(call);
        if (i % 5 == 0) {
            index.remove(call);
        } else {
            index.add(call);
            newestLast << call;
        }
    }
    QStringList expected;
    for (auto it = newestLast.crbegin(); it != newestLast.crend(); ++it) {
        if (it->contains("1"))
            expected << *it;
    }
    QCOMPARE(index.size(), newestLast.size());
    QCOMPARE(index.find("1", 1000), expected);
}

void TestCallList::theBookFollowsTheLogsChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("matching"); // "G4X" then
    QTest::addColumn<QString>("moved");        // the own locator of G4XZZ then
    QTest::newRow("call edited in the grid") << "edit" << QStringList{"G4XZZ"} << "IO80AA";
    QTest::newRow("deleted in the grid") << "delete" << QStringList() << "";
    QTest::newRow("call changed at another position") << "arrived" << QStringList{"G4XZZ"} << "IO80AA";
}

void TestCallList::theBookFollowsTheLogsChanges()
{
    QFETCH(QString, change);
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);"
            "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
            "ContestListQTH, IdModulation, ContestListSendNum) VALUES (1, 144, 46000.5, 'G4XAA', 'IO80AA', "
            "1, 1)");
    openWindow();
    auto* start = m_window->findChild<QTimer*>("TimerStart"); // the log's calls read
    start->start(0);
    QVERIFY(QTest::qWaitFor([&] { return !start->isActive(); }, 5000));
    const CallBook& book = m_window->state().callBook;
    QCOMPARE(book.matching("G4X", 10), QStringList{"G4XAA"});
    if (change == "edit") {
        m_window->logView()->editorCheck()->click();
        typeIntoCell(*m_window->logView()->grid(), 0, LogView::CallColumn, "G4XZZ");
    } else if (change == "delete") {
        m_fakes->prompts.confirmAnswers = {true};
        m_window->logView()->navigator()->button(DbNavigator::Delete)->click();
    } else {
        m_file->sqlite("UPDATE ContestList SET ContestListCall='G4XZZ'");
        ArrivedContact contact;
        contact.kind = ArrivedContact::Changed;
        contact.contestId = 1;
        contact.bandId = contact.previousBandId = 144;
        contact.rowid = m_file->column("SELECT MAX(rowid) FROM ContestList").first().toLongLong();
        contact.call = "G4XZZ";
        contact.previousCall = "G4XAA";
        contact.locator = "IO80AA";
        contact.dateTime = 46000.5;
        m_window->contactEntry()->logChangedElsewhere({contact});
    }
    QTEST(book.matching("G4X", 10), "matching");
    QCOMPARE(book.ownLocator("G4XAA"), "");
    QTEST(book.ownLocator("G4XZZ"), "moved");
}

void TestCallList::importedListCompletesTheCallAndOffersTheLocator()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "UPDATE SettingInfo SET SettingInfoValue='UA3ABC' WHERE SettingInfoN='PCall';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
    QByteArray call3 = "// CALL3.TXT\r\n";
    for (int i = 0; i < 49996; ++i)
        call3 += QStringLiteral("R%1X%2%3%4,KO85AA,,,\r\n")
                     .arg(i % 10)
                     .arg(QChar('A' + i / 10 % 26))
                     .arg(QChar('A' + i / 260 % 26))
                     .arg(QChar('A' + i / 6760 % 26))
                     .toLatin1();
    call3 += "G4XAB,IO80AA\r\nG4XYZ,IO91WM,,,\r\nG4XCD,,\r\nZZZZ\r\n";
    QCOMPARE(call3.count('\n'), 50001);
    const QString path = writeFile("CALL3.TXT", call3);
    openWindow();
    m_fakes->prompts.pathAnswers = {path};
    m_window->action("mnImportCalls")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information).value(0),
             "Из файла CALL3.TXT прочитано позывных: 49999, добавлено новых: 49999.");
    m_fakes->prompts.pathAnswers = {path};
    m_window->action("mnImportCalls")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information).value(1),
             "Из файла CALL3.TXT прочитано позывных: 49999, добавлено новых: 0.");

    // "G4X" typed: the matching calls under the call field, the call history untouched.
    EntryPanel* entry = m_window->entryPanel();
    const int history = entry->callEdit->count();
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "G4X");
    QListWidget* matches = entry->callMatches;
    QVERIFY(matches->isVisible());
    QStringList listed;
    for (int i = 0; i < matches->count(); ++i)
        listed << matches->item(i)->text();
    QCOMPARE(listed, QStringList({"G4XCD", "G4XYZ", "G4XAB"}));
    QCOMPARE(entry->callEdit->count(), history);
    QVERIFY(entry->locatorEdit->text().isEmpty());

    // G4XYZ chosen: the call filled, IO91WM offered in pale blue italics, the read-out shows it.
    QTest::mouseClick(matches->viewport(), Qt::LeftButton, {},
                      matches->visualItemRect(matches->item(1)).center());
    QCOMPARE(entry->callEdit->currentText(), "G4XYZ");
    QVERIFY(!matches->isVisible());
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
    QVERIFY(entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->palette().color(QPalette::Text), EntryPanel::OfferedLocatorColor);
    QVERIFY(entry->locatorEdit->font().italic());
    QVERIFY(EntryPanel::OfferedLocatorColor != QColor(192, 192, 192));
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance("KO85AA", "IO91WM", azimuth, distance);
    QCOMPARE(entry->distanceLabel->text(), LiveFeedback::readoutText(distance, azimuth));

    // Not accepted, it is not saved: the save finds no locator and stops, and the offer stays.
    entry->receivedNumberEdit->setText("1");
    m_window->tickClock();
    m_window->contactEntry()->saveContact();
    QVERIFY2(
        m_file->column("SELECT COUNT(*) FROM ContestList WHERE ContestListQTH='IO91WM'").first().toInt() == 0,
        qPrintable(m_fakes->prompts.texts().join(" | ")));
    QVERIFY(entry->isLocatorOffered());
    // Another call typed over it withdraws the offer and the read-out that showed it.
    entry->callEdit->setFocus();
    QTest::keyClick(entry->callEdit, Qt::Key_End);
    typeText(entry->callEdit, "/P");
    QCOMPARE(entry->callEdit->currentText(), "G4XYZ/P");
    QVERIFY(!entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->text(), "");
    QCOMPARE(entry->distanceLabel->text(), "");
    QTest::keyClick(entry->callEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(entry->callEdit, Qt::Key_Delete);

    // Typed again to the whole call: offered; a typed key replaces it.
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "G4XAB");
    QCOMPARE(entry->locatorEdit->text(), "IO80AA");
    QVERIFY(entry->isLocatorOffered());
    entry->locatorEdit->setFocus();
    typeText(entry->locatorEdit, "J");
    QCOMPARE(entry->locatorEdit->text(), "J");
    QVERIFY(!entry->isLocatorOffered());
    QVERIFY(!entry->locatorEdit->font().italic());

    // Offered again, Ctrl+Space accepts it: the normal colour, and saved with the contact.
    entry->callEdit->setFocus();
    QTest::keyClick(entry->callEdit, Qt::Key_A, Qt::ControlModifier);
    typeText(entry->callEdit, "G4XAB");
    QVERIFY(entry->isLocatorOffered());
    entry->locatorEdit->setFocus();
    QTest::keyClick(entry->locatorEdit, Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(!entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->text(), "IO80AA");
    QVERIFY(!entry->locatorEdit->font().italic());
    entry->receivedNumberEdit->setText("2");
    m_window->contactEntry()->saveContact();
    QCOMPARE(m_file->column("SELECT ContestListQTH FROM ContestList WHERE ContestListCall='G4XAB'"),
             QVariantList{"IO80AA"});

    // Enter accepts too.
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "G4XYZ");
    entry->locatorEdit->setFocus();
    QTest::keyClick(entry->locatorEdit, Qt::Key_Return);
    QVERIFY(!entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
}

void TestCallList::matchesAreChosenWithTheKeyboard()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
    openWindow();
    m_window->state().callBook.import(m_window->store().db(),
                                      {{"G4XAB", "IO80AA"}, {"G4XYZ", "IO91WM"}, {"G4XCD", ""}});
    EntryPanel* entry = m_window->entryPanel();
    QListWidget* matches = entry->callMatches;
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "G4X");
    QCOMPARE(matches->count(), 3); // G4XCD, G4XYZ, G4XAB

    // Down three times and Up once: the second; Enter takes it and the list's locator is offered.
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
        QTest::keyClick(entry->callEdit, key);
    QCOMPARE(matches->currentItem()->text(), "G4XYZ");
    QCOMPARE(entry->callEdit->currentText(), "G4X");
    QTest::keyClick(entry->callEdit, Qt::Key_Return);
    QCOMPARE(entry->callEdit->currentText(), "G4XYZ");
    QVERIFY(!matches->isVisible());
    QVERIFY(entry->callEdit->hasFocus());
    QVERIFY(entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
    // Ctrl+Space in the call field accepts the offer, as in the locator field.
    QTest::keyClick(entry->callEdit, Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(!entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");

    // Esc closes the list and keeps what is typed; Enter then moves on as ever.
    QTest::keyClick(entry->callEdit, Qt::Key_A, Qt::ControlModifier);
    typeText(entry->callEdit, "XA");
    QVERIFY(matches->isVisible());
    QTest::keyClick(entry->callEdit, Qt::Key_Escape);
    QVERIFY(!matches->isVisible());
    QCOMPARE(entry->callEdit->currentText(), "XA");
    QTest::keyClick(entry->callEdit, Qt::Key_Return);
    QVERIFY(entry->receivedReportEdit->hasFocus());

    // Ctrl+Space with the list showing completes to the first match and offers its locator.
    entry->callEdit->setFocus();
    QTest::keyClick(entry->callEdit, Qt::Key_A, Qt::ControlModifier);
    typeText(entry->callEdit, "4XA");
    QTest::keyClick(entry->callEdit, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(entry->callEdit->currentText(), "G4XAB");
    QVERIFY(entry->isLocatorOffered());
    QCOMPARE(entry->locatorEdit->text(), "IO80AA");

    // A call that is a part of another: once taken, Ctrl let go does not show the list again.
    m_window->state().callBook.import(m_window->store().db(), {{"OK1AB", "JO60AA"}, {"OK1ABC", ""}});
    QTest::keyClick(entry->callEdit, Qt::Key_A, Qt::ControlModifier);
    typeText(entry->callEdit, "OK1AB");
    QCOMPARE(matches->count(), 2);
    QTest::keyClick(entry->callEdit, Qt::Key_Down);
    QTest::keyClick(entry->callEdit, Qt::Key_Down);
    const QString taken = matches->currentItem()->text();
    QTest::keyClick(entry->callEdit, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(entry->callEdit->currentText(), taken);
    QVERIFY(!matches->isVisible());
    QTest::keyClick(entry->callEdit, Qt::Key_Right);
    QVERIFY(!matches->isVisible());
}

void TestCallList::anAcceptedSquareIsCompletedBeforeTheSave_data()
{
    QTest::addColumn<bool>("inCallField"); // Ctrl+Space in the call field, else Enter in the locator's
    QTest::newRow("Enter in the locator field") << false;
    QTest::newRow("Ctrl+Space in the call field") << true;
}

void TestCallList::anAcceptedSquareIsCompletedBeforeTheSave()
{
    QFETCH(bool, inCallField);
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
    openWindow();
    m_window->state().callBook.import(m_window->store().db(), {{"G4XYZ", "IO91"}});
    EntryPanel* entry = m_window->entryPanel();
    entry->receivedNumberEdit->setText("1");
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "G4XYZ");
    QCOMPARE(entry->locatorEdit->text(), "IO91");
    QVERIFY(entry->isLocatorOffered());
    QWidget* field = inCallField ? static_cast<QWidget*>(entry->callEdit) : entry->locatorEdit;
    field->setFocus();
    QTest::keyClick(field, inCallField ? Qt::Key_Space : Qt::Key_Return,
                    inCallField ? Qt::ControlModifier : Qt::NoModifier);
    QVERIFY(!entry->isLocatorOffered());

    // Ctrl+Enter: nothing saved, the square waits for its last two letters with the cursor after it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList").first().toInt(), 0);
    QVERIFY(entry->locatorEdit->hasFocus());
    QCOMPARE(entry->locatorEdit->text(), "IO91");
    QCOMPARE(entry->locatorEdit->cursorPosition(), 4);
    QVERIFY(!m_window->logView()->hintBar()->status("squareLocator").isEmpty());
    typeText(entry->locatorEdit, "WM");
    QCOMPARE(m_window->logView()->hintBar()->status("squareLocator"), "");
    QTest::keyClick(entry->locatorEdit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_file->column("SELECT ContestListQTH FROM ContestList"), QVariantList{"IO91WM"});
}

void TestCallList::anUnreadableFileChangesNothing()
{
    prepare();
    const QString binary = writeFile("calls.bin", QByteArray("G4XYZ,IO91WM\0\1\2", 16));
    openWindow();
    m_fakes->prompts.pathAnswers = {binary, m_dir.filePath("missing.txt")};
    m_window->action("mnImportCalls")->trigger();
    m_window->action("mnImportCalls")->trigger();
    const QStringList warnings = m_fakes->prompts.texts(ShownPrompt::Warning);
    QCOMPARE(warnings.size(), 2);
    QCOMPARE(warnings[0], "Файл calls.bin — не текст: список позывных не прочитан.");
    QVERIFY2(warnings[1].startsWith("Не удалось открыть файл missing.txt: "), qPrintable(warnings[1]));
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM CallList").first().toInt(), 0);
}

QTEST_MAIN(TestCallList)
#include "tst_calllist.moc"
