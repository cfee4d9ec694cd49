#include "app/tfmain.h"
#include "controls/pickcombobox.h"
#include "exchange/ediexport.h"
#include "exchange/ediimport.h"
#include "exchange/ediimportwindow.h"
#include "logging/entrypanel.h"
#include "logging/repeatrule.h"
#include "results/statisticswindow.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// "Импорт EDI": files of this program or any other added to the current contest through the
// save's checks, after a summary; "Отмена" writes nothing.
class TestEdiImport : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exportedFilesComeBackOnceToTheMinute();
    void theOwnExportComesBackAsAlreadyThere();
    void cancelWritesNothingAndUnreadLinesAreListed();
    void whatFollowsTheLogHearsOfImportedContacts();
    void hostileFilesChangeNothingButAddValidContacts();
    void linesTheLogCannotHoldAreListedAndTheRestAdded();
    void theFinalBoxSaysWhyContactsWereNotAdded();
    void anEarlierLogGoesBeforeTheStoredContacts();
    void manyImportedCallsJoinTheCallList();

private:
    // "Импорт EDI" with the files; `act` on the summary window.
    void runImport(const QStringList& paths, const std::function<void(EdiImportWindow*)>& act);
    QVariantList rowsOf(int contest) const;
};

void TestEdiImport::init()
{
    prepare(
        "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 0);"
        "INSERT INTO Contest VALUES (2, 'Пустой', 42189, 42190.5, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='RK3AW' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.5, 'UA3AAA', 'KO95AA', 1, 1, 59, 7, 59, 127, 127.4, 89),"
        " (1, 144, 42189.6003, 'UA3B''B', 'KO86AA', 2, 2, 599, 12, 599, 111, 111.1, 0),"
        " (1, 432, 42189.7, 'UA3CCC', 'KO95AA', 6, 5, 59, 3, 57, 255, 127.4, 89);");
}

void TestEdiImport::cleanup()
{
    release();
}

QVariantList TestEdiImport::rowsOf(int contest) const
{
    return m_file->column(
        QStringLiteral(
            "SELECT IdBand || ' ' || ContestListCall || ' ' || ContestListQTH || ' ' || IdModulation || ' ' "
            "|| ContestListSendRST || ' ' || ContestListSendNum || ' ' || ContestListReceivedRST || ' ' || "
            "ContestListReceivedNum || ' ' || CAST(round(ContestListDateTime * 1440) AS INTEGER) || ' ' "
            "|| (ContestListResult > 0) FROM ContestList WHERE IdContest=%1 ORDER BY IdBand, "
            "ContestListSendNum")
            .arg(contest));
}

void TestEdiImport::runImport(const QStringList& paths, const std::function<void(EdiImportWindow*)>& act)
{
    m_fakes->prompts.pathAnswers = {paths.join('\n')};
    inModal<EdiImportWindow>([&] { m_window->action("mnImportEdi")->trigger(); },
                             [&](EdiImportWindow* window) {
                                 QCOMPARE(window->windowTitle(), "Импорт EDI");
                                 act(window);
                             });
}

void TestEdiImport::exportedFilesComeBackOnceToTheMinute()
{
    QTemporaryDir folder;
    m_store = m_file->openStore(m_fakes->prompts);
    m_store->openSettingCursors();
    const EdiExportResult exported =
        EdiExport(*m_store).exportTo(folder.path() + "/", {"RK3AW", "KO85UR", "Полевой день", 1});
    QCOMPARE(exported.written.size(), 2);
    m_store.reset();
    openWindow();
    runImport(exported.written, [](EdiImportWindow* window) {
        QCOMPARE(window->summaryText()->toPlainText(),
                 "144 MHz: связей в файлах 2, уже есть в соревновании 0 (пропускаются), будет добавлено 2\n"
                 "432 MHz: связей в файлах 1, уже есть в соревновании 0 (пропускаются), будет добавлено 1");
        QTest::mouseClick(window->importButton(), Qt::LeftButton);
    });
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information), QStringList{"Добавлено связей: 3."});
    // The seconds of 14:24:25 are not in the file: the minute is.
    QVariantList expected = rowsOf(1);
    expected[1] = expected[1].toString().replace(" 60758665 ", " 60758664 ");
    QCOMPARE(rowsOf(2), expected);

    // Again: everything is there already, nothing can be imported.
    m_fakes->prompts.clear();
    runImport(exported.written, [](EdiImportWindow* window) {
        QVERIFY(window->summaryText()->toPlainText().contains("уже есть в соревновании 2 (пропускаются)"));
        QVERIFY(!window->importButton()->isEnabled());
        QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    });
    QCOMPARE(rowsOf(2).size(), 3);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Information).isEmpty());
}

// The program's own file of a contest is all there already: a time past the half minute is
// written in the minute it began, and a digital mode as the one code all of them share.
void TestEdiImport::theOwnExportComesBackAsAlreadyThere()
{
    QTemporaryDir folder;
    m_store = m_file->openStore(m_fakes->prompts);
    m_store->openSettingCursors();
    // 14:30:45 on SSB and 15:10:50 on FT8, both on 144 MHz.
    m_file->sqlite(
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.6046875, 'UA3DDD', 'KO95AA', 1, 3, 59, 9, 59, 127, 127.4, 89),"
        " (1, 144, 42189.6325231481, 'UA3EEE', 'KO95AA', (SELECT ModulationRowid FROM Modulation WHERE "
        "ModulationName='FT8'), 4, -10, 11, -12, 127, 127.4, 89);");
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList WHERE IdModulation > 9"), QVariantList{1});
    const EdiExportResult exported =
        EdiExport(*m_store).exportTo(folder.path() + "/", {"RK3AW", "KO85UR", "Полевой день", 1});
    QCOMPARE(exported.written.size(), 2);
    QByteArray text;
    for (const QString& path : exported.written) {
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        text += written.readAll();
    }
    QVERIFY(text.contains("1430;UA3DDD;1;"));
    QVERIFY(text.contains("1510;UA3EEE;7;"));
    m_store.reset();
    m_file->sqlite("UPDATE Contest SET ContestActual=(ContestRowid=1);");
    const QVariantList before = rowsOf(1);
    openWindow();
    runImport(exported.written, [](EdiImportWindow* window) {
        QCOMPARE(window->summaryText()->toPlainText(),
                 "144 MHz: связей в файлах 4, уже есть в соревновании 4 (пропускаются), будет добавлено 0\n"
                 "432 MHz: связей в файлах 1, уже есть в соревновании 1 (пропускаются), будет добавлено 0");
        QVERIFY(!window->importButton()->isEnabled());
        QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    });
    QCOMPARE(rowsOf(1), before);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Information).isEmpty());
}

void TestEdiImport::cancelWritesNothingAndUnreadLinesAreListed()
{
    QTemporaryDir folder;
    QFile file(folder.filePath("other.edi"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[REG1TEST;1]\nPBand=70cm\n[QSORecords;3]\n150704;1200;UA3AAA;1;59;001;59;007;;KO95AA;;;;;\n"
               "garbage\n20150704;1300;UA3ZZZ;;59;2;59;8;;KO95ab;;;;;\n[END;other]\n");
    file.close();
    openWindow();
    m_fakes->prompts.askAnswers = {QString("432 MHz")};
    runImport({file.fileName()}, [&](EdiImportWindow* window) {
        QCOMPARE(window->summaryText()->toPlainText(),
                 "432 MHz: связей в файлах 2, уже есть в соревновании 0 (пропускаются), будет добавлено 2\n"
                 "Не удалось прочитать строки файла other.edi: 5.");
        QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    });
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Ask).size(), 1);
    QVERIFY(rowsOf(2).isEmpty());

    m_fakes->prompts.askAnswers = {QString("432 MHz")};
    runImport({file.fileName()},
              [](EdiImportWindow* window) { QTest::mouseClick(window->importButton(), Qt::LeftButton); });
    QCOMPARE(rowsOf(2), (QVariantList{"432 UA3AAA KO95AA 1 59 1 59 7 60752880 1",
                                      "432 UA3ZZZ KO95AB 0 59 2 59 8 60752940 1"}));
}

// The statistics window, the call list and the next serial follow imported contacts as they
// follow a saved one; the window's own writes do not change the file's version, which is all the
// statistics window's poll would see.
void TestEdiImport::whatFollowsTheLogHearsOfImportedContacts()
{
    QTemporaryDir folder;
    QFile file(folder.filePath("other.edi"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "[REG1TEST;1]\nPBand=144 MHz\n[QSORecords;2]\n150704;1200;UA3AAA;1;59;001;59;007;;KO95AA;;;;;\n"
        "150704;1300;UA3ZZZ;1;59;002;59;008;;KO86AA;;;;;\n");
    file.close();
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0);");
    openWindow();
    m_window->action("mnStatistics")->trigger();
    auto* statistics = m_window->findChild<StatisticsWindow*>();
    QVERIFY(statistics && statistics->isVisible());
    QCOMPARE(statistics->bandTable()->rowCount(), 1); // the total of an empty contest
    EntryPanel* panel = m_window->entryPanel();
    QCOMPARE(panel->bandList->currentText(), "144 MHz");
    QCOMPARE(panel->callEdit->findText("UA3ZZZ"), -1);

    runImport({file.fileName()},
              [](EdiImportWindow* window) { QTest::mouseClick(window->importButton(), Qt::LeftButton); });
    QCOMPARE(rowsOf(2).size(), 2);
    QTRY_COMPARE(statistics->bandTable()->rowCount(), 2);
    QCOMPARE(statistics->bandTable()->item(0, 0)->text(), "144 MHz");
    QCOMPARE(statistics->bandTable()->item(0, StatisticsWindow::ContactsColumn)->text(), "2");
    QVERIFY(panel->callEdit->findText("UA3ZZZ") >= 0);
    QCOMPARE(panel->sentNumberEdit->text(), "3");
}

// The viewer's hostile files through the import: only contacts are added, one for each
// saved outcome; no other table changes.
void TestEdiImport::hostileFilesChangeNothingButAddValidContacts()
{
    m_store = m_file->openStore(m_fakes->prompts);
    m_store->openSettingCursors();
    auto everythingElse = [&] {
        return m_file->column("SELECT group_concat(name) FROM sqlite_master WHERE type='table'") +
               m_file->column("SELECT COUNT(*) || '/' || total(ContestRowid) FROM Contest") +
               m_file->column("SELECT group_concat(SettingName || '=' || ifnull(SettingParamInt, '') || "
                              "ifnull(SettingParamStr, '')) FROM Setting") +
               m_file->column("SELECT group_concat(SettingInfoValue) FROM SettingInfo") + rowsOf(1);
    };
    const QVariantList before = everythingElse();
    const QDir corpus(QStringLiteral(KOVRA_EDI_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 5);
    EdiImport import(*m_store, 2, "KO85UR");
    qsizetype saved = 0;
    for (const QString& name : names) {
        EdiImportFile file = import.read(corpus.filePath(name));
        file.bandId = 144;
        for (const SaveOutcome& o : import.write(import.plan({file})))
            saved += o.kind == SaveOutcome::Saved;
    }
    QVERIFY(saved > 0);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList WHERE IdContest=2"), QVariantList{saved});
    QCOMPARE(everythingElse(), before);
    QVERIFY(m_fakes->prompts.shown.empty());
}

// A locator, serial, report or call the log's columns cannot hold would roll the whole import
// back: such a line is listed with its reason, and the others are added.
void TestEdiImport::linesTheLogCannotHoldAreListedAndTheRestAdded()
{
    openWindow();
    const QString name = "unstorable-lines.edi";
    runImport({QDir(QStringLiteral(KOVRA_EDI_CORPUS)).filePath(name)}, [&](EdiImportWindow* window) {
        QCOMPARE(window->summaryText()->toPlainText(),
                 "144 MHz: связей в файлах 2, уже есть в соревновании 0 (пропускаются), будет добавлено 2\n"
                 "Файл unstorable-lines.edi, строка 7: локатор \"KO95AA12\" длиннее 6 знаков, связь не "
                 "добавляется.\n"
                 "Файл unstorable-lines.edi, строка 8: переданный номер 40000 вне пределов от -32768 до "
                 "32767, связь не добавляется.\n"
                 "Файл unstorable-lines.edi, строка 9: позывной длиннее 255 знаков, связь не добавляется.\n"
                 "Файл unstorable-lines.edi, строка 10: принятый рапорт 99999 вне пределов от -32768 до "
                 "32767, связь не добавляется.\n"
                 "Файл unstorable-lines.edi, строка 12: управляющий знак в позывном, связь не "
                 "добавляется.");
        QTest::mouseClick(window->importButton(), Qt::LeftButton);
    });
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information), QStringList{"Добавлено связей: 2."});
    QCOMPARE(rowsOf(2), (QVariantList{"144 UA3AAA KO95AA 1 59 7 57 42 60753005 1",
                                      "144 UA3EEE KO86AA 1 59 12 57 47 60753030 1"}));
}

void TestEdiImport::theFinalBoxSaysWhyContactsWereNotAdded()
{
    auto outcome = [](SaveOutcome::Kind kind, const QString& message = QString(),
                      ContactFields::Field field = ContactFields::Band) {
        SaveOutcome o;
        o.kind = kind;
        o.message = message;
        o.field = field;
        return o;
    };
    const QString held = "Связь не записана: диапазон 144 MHz ведёт позиция «Б».\n\rЖдите.";
    const std::vector<SaveOutcome> outcomes{
        outcome(SaveOutcome::Saved),
        outcome(SaveOutcome::Refused, repeatRefusalText("UA3AAA", "144 MHz", "SSB", 0.5, 1, 1.5, 1.2)),
        outcome(SaveOutcome::MissingField, QString(), ContactFields::Locator),
        outcome(SaveOutcome::Refused, held),
        outcome(SaveOutcome::Refused, repeatRefusalText("UA3BBB", "144 MHz", "CW", 0.5, 1, 1.5, 1.3)),
        outcome(SaveOutcome::NoContest, noContestText()),
        outcome(SaveOutcome::Refused,
                laterRepeatRefusalText("UA3CCC", "144 MHz", "CW", 0.5, 1.3, 1.2, false)),
        outcome(SaveOutcome::Saved)};
    QCOMPARE(importOutcomeText(outcomes),
             "Добавлено связей: 2.\nНе добавлено: повтор раньше срока — 3; нет локатора — 1; Связь не "
             "записана: диапазон 144 MHz ведёт позиция «Б» — 1; не выбрано соревнование — 1.");
    QCOMPARE(importOutcomeText({outcome(SaveOutcome::Saved)}), "Добавлено связей: 1.");
}

// A second computer's morning log brought in after the main one worked the same stations later:
// its contacts a period or more before the stored ones are added, those within it are repeats.
void TestEdiImport::anEarlierLogGoesBeforeTheStoredContacts()
{
    QTemporaryDir folder;
    QFile file(folder.filePath("laptop.edi"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // UA3AAA is stored at 12:00 on 144 MHz SSB.
    file.write(
        "[REG1TEST;1]\nPBand=144 MHz\n[QSORecords;3]\n150704;0900;UA3AAA;1;59;001;59;001;;KO95AA;;;;;\n"
        "150704;1150;UA3AAA;1;59;002;59;002;;KO95AA;;;;;\n"
        "150704;1145;UA3AAA;2;599;003;599;003;;KO95AA;;;;;\n");
    file.close();
    m_store = m_file->openStore(m_fakes->prompts);
    m_store->openSettingCursors();
    EdiImport import(*m_store, 1, "KO85UR");
    EdiImportFile read = import.read(file.fileName());
    QCOMPARE(read.bandId, 144);
    const std::vector<SaveOutcome> outcomes = import.write(import.plan({read}));
    QCOMPARE(importOutcomeText(outcomes), "Добавлено связей: 2.\nНе добавлено: повтор раньше срока — 1.");
    QCOMPARE(
        m_file->column("SELECT IdModulation || ' ' || CAST(round(ContestListDateTime * 1440) AS INTEGER) "
                       "FROM ContestList WHERE IdContest=1 AND ContestListCall='UA3AAA' ORDER BY "
                       "ContestListDateTime"),
        (QVariantList{"1 60752700", "2 60752865", "1 60752880"}));
}

// Hundreds of arrivals: the call list is read again at once rather than grown one by one; what
// the operator is typing stays.
void TestEdiImport::manyImportedCallsJoinTheCallList()
{
    QTemporaryDir folder;
    QFile file(folder.filePath("many.edi"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[REG1TEST;1]\nPBand=144 MHz\n[QSORecords;250]\n");
    for (int i = 1; i <= 250; ++i)
        file.write(QString("150704;%1%2;RA%3X;1;59;%3;59;1;;KO95AA;;;;;\n")
                       .arg(i / 60, 2, 10, QChar('0'))
                       .arg(i % 60, 2, 10, QChar('0'))
                       .arg(i)
                       .toLatin1());
    file.close();
    openWindow();
    EntryPanel* panel = m_window->entryPanel();
    QTRY_COMPARE(panel->callEdit->count(), 3); // the log's calls, read once the window is up
    panel->callEdit->setFocus();
    typeText(panel->callEdit, "UA9");
    runImport({file.fileName()},
              [](EdiImportWindow* window) { QTest::mouseClick(window->importButton(), Qt::LeftButton); });
    QCOMPARE(rowsOf(2).size(), 250);
    QCOMPARE(panel->callEdit->count(), 253);
    QVERIFY(panel->callEdit->findText("RA250X") >= 0);
    QCOMPARE(panel->callEdit->currentText(), "UA9");
}

QTEST_MAIN(TestEdiImport)
#include "tst_ediimport.moc"
