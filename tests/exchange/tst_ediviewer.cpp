#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/drlabel.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/ediquirks.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// "Открыть": an EDI file shown in the main window in place of the log.
class TestEdiViewer : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fileWithAnUnreadableLineIsShown();
    void fileOnTheCommandLineOpensTheViewer();
    void filesOfOtherLoggersAreShownWhole_data();
    void filesOfOtherLoggersAreShownWhole();
    void unreadableFileLeavesTheLogView_data();
    void unreadableFileLeavesTheLogView();
    void viewerMenuCommandsConfirm();
    void secondCopyViewingDoesNotDisturbLogging();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

namespace {

// Twelve contacts: two calls with an apostrophe, line 10 with a date that is none, and a
// trailer as other programs write it.
const QByteArray kTwelve = "[REG1TEST;1]\r\n"
                           "TName=Полевой день\r\n"
                           "PCall=UA3XYZ\r\n"
                           "PBand=432 MHz\r\n"
                           "[QSORecords;12]\r\n"
                           "150704;1405;UA3AAA;1;59;001;57;042;;KO95AA;;;;;\r\n"
                           "150704;1406;DL1ABC;2;599;002;599;043;;JN45AA;;;;;\r\n"
                           "150704;1407;R3A'B;1;59;003;59;044;;KO95AA;;;;;\r\n"
                           "150704;1408;O'NEIL;1;59;004;59;045;;KO95AA;;;;;\r\n"
                           "15a704;1409;BADDATE;1;59;005;59;046;;KO95AA;;;;;\r\n"
                           "150704;1410;UA3F;1;59;006;59;047;;KO95AA;;;;;\r\n"
                           "150704;1411;UA3G;1;59;007;59;048;;KO95AA;;;;;\r\n"
                           "150704;1412;UA3H;1;59;008;59;049;;KO95AA;;;;;\r\n"
                           "150704;1413;UA3I;1;59;009;59;050;;KO95AA;;;;;\r\n"
                           "150704;1414;UA3J;1;59;010;59;051;;KO95AA;;;;;\r\n"
                           "150704;1415;UA3K;1;59;011;59;052;;KO95AA;;;;;\r\n"
                           "150704;1416;UA3L;77;59;012;59;053;;KO95AA;;;;;\r\n"
                           "[END;X]\r\n";

} // namespace

void TestEdiViewer::init()
{
    prepare(
        "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='RK3AW' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 0);"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.5, 'UA3AAA', 'KO95AA', 1, 1, 59, 7, 59, 127, 127.4, 89);"
        "INSERT INTO ContestListRead (ContestListCall) VALUES ('OLD');");
}

void TestEdiViewer::cleanup()
{
    release();
}

QString TestEdiViewer::writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(bytes);
    return file.fileName();
}

void TestEdiViewer::fileWithAnUnreadableLineIsShown()
{
    const QString path = writeFile("partner.edi", kTwelve);
    openWindow();
    LogView* log = m_window->logView();
    log->editorCheck()->setChecked(true);
    const int bandWidth = log->grid()->columnWidth(LogView::BandColumn);
    // A contact typed but not saved: the viewer must not save it later.
    EntryPanel* entry = m_window->entryPanel();
    entry->callEdit->setEditText("UA3ZZZ");
    entry->receivedNumberEdit->setText("5");
    entry->locatorEdit->setText("KO95AA");
    m_fakes->prompts.pathAnswers = {path};
    m_window->action("N12")->trigger();

    QCOMPARE(m_fakes->prompts.shown.front().details, "EDI (Electronic Data Interchange) (*.edi)");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Warning),
             QStringList{"Не удалось прочитать строки файла " + path + ": 10."});
    QVERIFY(!log->editorCheck()->isChecked());
    QCOMPARE(m_window->windowTitle(), "[Файл] UA3XYZ / 432 MHz / Полевой день");
    QCOMPARE(log->log().rowCount(), 11);
    QCOMPARE(log->caption(), path + " [11/11]"); // the new log's order: first contact at the bottom
    DataGrid* grid = log->grid();
    QVERIFY(grid->isColumnHidden(LogView::BandColumn));
    auto cell = [&](int row, int column) { return grid->model()->index(row, column).data().toString(); };
    QCOMPARE(cell(2, LogView::CallColumn), "R3A'B");
    QCOMPARE(cell(3, LogView::CallColumn), "O'NEIL");
    QCOMPARE(cell(0, LogView::TimeColumn), "04.07.2015 14:05");
    QCOMPARE(cell(0, LogView::ModeColumn), "SSB");
    QCOMPARE(cell(10, LogView::ModeColumn), ""); // a code with no mode row
    QCOMPARE(cell(0, LogView::DistanceColumn), "127.4");
    QCOMPARE(cell(0, LogView::AzimuthColumn), "89");
    QCOMPARE(cell(1, LogView::DistanceColumn), "2265.3");
    QCOMPARE(cell(1, LogView::AzimuthColumn), "252");
    QCOMPARE(cell(0, LogView::PointsColumn), "");

    // The compass follows the row clicked, and the counter with it.
    QCOMPARE(entry->distanceLabel->text(), "127.4 km\n\r89°");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, LogView::CallColumn)).center());
    QCOMPARE(entry->distanceLabel->text(), "2265.3 km\n\r252°");
    QCOMPARE(log->caption(), path + " [10/11]");

    // Nothing else takes input, and the log is as it was.
    QVERIFY(!m_window->menuBar()->isVisible());
    QVERIFY(!m_window->action("N14")->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{entry->callEdit, entry->locatorEdit, entry->saveButton,
                                                      entry->bandList, entry->receivedNumberEdit,
                                                      log->editorCheck(), log->navigator()})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QCOMPARE(grid->contextMenuPolicy(), Qt::NoContextMenu);
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_file->column("SELECT ContestListCall FROM ContestList"), QVariantList{"UA3AAA"});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Contest WHERE ContestActual"), QVariantList{0});
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error), QStringList{});

    // The hidden band column keeps its width in the settings for the next start.
    m_window->close();
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='GridColumnWidth0'"),
             QVariantList{bandWidth});
}

void TestEdiViewer::fileOnTheCommandLineOpensTheViewer()
{
    writeFile("cmd.edi", "PCall=UA3XYZ\n[QSORecords;1]\n150704;1405;UA3AAA;1;59;001;57;042;;KO95AA\n");
    QDir::setCurrent(m_dir.path()); // a relative argument, as a shell gives it
    openWindow("cmd.edi");
    QCOMPARE(m_window->windowTitle(), "[Файл] UA3XYZ /  / ");
    QCOMPARE(m_window->logView()->caption(), m_dir.filePath("cmd.edi") + " [1/1]");
    QCOMPARE(m_window->logView()->log().rowCount(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Path).isEmpty());
}

void TestEdiViewer::filesOfOtherLoggersAreShownWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("contacts");
    for (const EdiQuirk& quirk : ediQuirks())
        QTest::newRow(quirk.name) << quirk.text << quirk.contacts;
}

// Every contact a person reads in the file is in the grid, and no line is reported.
void TestEdiViewer::filesOfOtherLoggersAreShownWhole()
{
    QFETCH(QString, text);
    QFETCH(QStringList, contacts);
    const QString path = writeFile("other.edi", text.toUtf8());
    openWindow();
    m_fakes->prompts.pathAnswers = {path};
    m_window->action("N12")->trigger();

    QCOMPARE(m_fakes->prompts.texts(), QStringList{"Открыть|"}); // the file dialog, no box
    LogView* log = m_window->logView();
    const QStringList modes = log->lookupNames(LogView::ModeColumn); // codes 0 to 9 in order
    QAbstractItemModel* grid = log->grid()->model();
    auto cell = [&](int row, int column) { return grid->index(row, column).data().toString(); };
    QStringList shown;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList columns{grid->index(row, LogView::TimeColumn)
                                .data(Qt::EditRole)
                                .toDateTime()
                                .toString("yyyy-MM-dd hh:mm"),
                            cell(row, LogView::CallColumn), cell(row, LogView::LocatorColumn),
                            QString::number(modes.indexOf(cell(row, LogView::ModeColumn)))};
        for (const int column : {LogView::SentReportColumn, LogView::SentNumberColumn,
                                 LogView::ReceivedReportColumn, LogView::ReceivedNumberColumn})
            columns << cell(row, column);
        shown << columns.join(' ');
    }
    shown.sort();
    contacts.sort();
    QCOMPARE(shown, contacts);
}

void TestEdiViewer::unreadableFileLeavesTheLogView_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // none: the name is a folder, or nothing at all
    QTest::newRow("missing") << "missing.edi" << QByteArray();
    QTest::newRow("folder") << "" << QByteArray();
    QTest::newRow("no text") << "binary.edi" << QByteArray("[REG1TEST;1]\r\n\0\0\xFF", 17);
    QTest::newRow("dialog cancelled") << "cancel" << QByteArray();
}

void TestEdiViewer::unreadableFileLeavesTheLogView()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = bytes.isEmpty() ? m_dir.filePath(name) : writeFile(name, bytes);
    openWindow();
    const QString title = m_window->windowTitle();
    if (name != "cancel")
        m_fakes->prompts.pathAnswers = {path};
    m_window->action("N12")->trigger();

    const QStringList errors = m_fakes->prompts.texts(ShownPrompt::Error);
    if (name == "cancel") {
        QVERIFY(errors.isEmpty());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(
            errors.first().startsWith("Не удалось открыть файл " + QFileInfo(path).absoluteFilePath() + ": "),
            qPrintable(errors.first()));
    }
    QVERIFY(!m_window->state().ViewerMode);
    QVERIFY(m_window->menuBar()->isVisible());
    QCOMPARE(m_window->windowTitle(), title);
    QVERIFY(m_window->entryPanel()->callEdit->isEnabled());
    QCOMPARE(m_file->column("SELECT ContestListCall FROM ContestListRead"), QVariantList{"OLD"});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Contest WHERE ContestActual"), QVariantList{1});
}

void TestEdiViewer::viewerMenuCommandsConfirm()
{
    qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
    openWindow();
    m_window->action("N13")->trigger();
    m_window->action("N15")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             (QStringList{"Установили программу " + QCoreApplication::applicationFilePath() +
                              " для просмотра EDI файлов.",
                          "Убрали эту программу для просмотра EDI файлов."}));

    // A data folder that cannot be made: the error, and no confirmation.
    writeFile("plain", "x");
    qputenv("XDG_DATA_HOME", m_dir.filePath("plain/data").toUtf8());
    m_fakes->prompts.clear();
    m_window->action("N13")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Information).isEmpty());
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
}

// The program itself, in a second process on the same log, opens a long file in its viewer
// while this window saves contact after contact: every save goes through, none reports
// an error.
void TestEdiViewer::secondCopyViewingDoesNotDisturbLogging()
{
    constexpr int kFileLines = 20000;
    QByteArray big = "[QSORecords;20000]\r\n";
    for (int i = 0; i < kFileLines; ++i)
        big += "150704;1405;UA3AAA;1;59;001;57;042;;KO95AA;;;;;\r\n";
    const QString path = writeFile("big.edi", big);
    openWindow();
    EntryPanel* entry = m_window->entryPanel();

    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(environment);
    second.start(KOVRA_PROGRAM, {"--database", m_file->path(), path});
    QVERIFY(second.waitForStarted());
    int saved = 0;
    int savedAfterOpening = 0;
    QElapsedTimer deadline;
    deadline.start();
    while (savedAfterOpening < 5 && deadline.elapsed() < 60000) {
        entry->callEdit->setEditText(QString("UA3Q%1").arg(saved));
        entry->receivedNumberEdit->setText("1");
        entry->locatorEdit->setText("KO95AA");
        entry->saveButton->click();
        QVERIFY2(m_fakes->prompts.shown.empty(), qPrintable(m_fakes->prompts.texts().join(" | ")));
        ++saved;
        if (m_file->column("SELECT COUNT(*) FROM ContestListRead") == QVariantList{kFileLines})
            ++savedAfterOpening;
    }
    second.kill();
    second.waitForFinished();
    qInfo("%d contacts saved while the second copy started and opened the file", saved - 5);
    QCOMPARE(savedAfterOpening, 5);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList WHERE ContestListCall LIKE 'UA3Q%'"),
             QVariantList{saved});
}

QTEST_MAIN(TestEdiViewer)
#include "tst_ediviewer.moc"
