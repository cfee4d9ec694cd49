#include "app/logcheckwindow.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "exchange/tfsaveoptions.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <numbers>

// "Экспорт в EDI" from the main window: the options, the folder, the files on disk.
class TestEdiExport : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void filesPerBandWithTheirHeaders();
    void digitalModesWriteTheirOneDigitCode();
    void escapeInTheOptionsWritesNothing();
    void aFolderThatCannotBeWrittenIsReported();
    void optionsDialogFollowsTheMainWindow_data();
    void optionsDialogFollowsTheMainWindow();
    void oemChosenInTheDialogConvertsTheContestName();
    void nothingToExportIsSaid_data();
    void nothingToExportIsSaid();
    void iaruVariantPassesAStrictReader();
    void anUnreadablePowerIsNamedInTheFinalBox();

private:
    // N14 with the options dialog answered by "Продолжить" (or Esc).
    void runExport(bool confirm = true);
    static QByteArray read(const QString& path);
    // N14 on a log the check questions: "Продолжить" in the check window, then `act` on the
    // options dialog.
    void exportPastTheCheck(const std::function<void(Tfsaveoptions*)>& act);
};

void TestEdiExport::exportPastTheCheck(const std::function<void(Tfsaveoptions*)>& act)
{
    bool seen = false;
    inModal<LogCheckWindow>([&] { m_window->action("N14")->trigger(); },
                            [&](LogCheckWindow* window) {
                                whenModalOpens([&](QWidget* next) {
                                    auto* options = qobject_cast<Tfsaveoptions*>(next);
                                    QVERIFY(options);
                                    QVERIFY(QTest::qWaitForWindowExposed(options));
                                    seen = true;
                                    act(options);
                                });
                                window->findChild<QPushButton*>("continueButton")->click();
                            });
    QVERIFY(QTest::qWaitFor([&] { return seen; }, 15000));
}

void TestEdiExport::init()
{
    prepare(
        "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='RK3AW/P' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo';"
        "UPDATE SettingInfo SET SettingInfoValue='RK3AW' WHERE SettingInfoN='RCall';"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.5, 'UA3AAA', 'KO95AA', 1, 1, 59, 7, 59, 127, 127.4, 89),"
        " (1, 144, 42189.6, 'UA3BBB', 'KO86AA', 2, 2, 599, 12, 599, 111, 111.1, 0),"
        " (1, 432, 42189.7, 'UA3CCC', 'KO95AA', 1, 1, 59, 3, 59, 255, 127.4, 89),"
        " (2, 1300, 42189.7, 'OTHER', 'KO95AA', 1, 1, 59, 3, 59, 382, 127.4, 89);");
}

void TestEdiExport::cleanup()
{
    release();
}

QByteArray TestEdiExport::read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEdiExport::runExport(bool confirm)
{
    whenModalOpens([&](QWidget* modal) {
        auto* options = qobject_cast<Tfsaveoptions*>(modal);
        QVERIFY(options);
        QCOMPARE(options->nameEntry(0)->text(), "RK3AW_P_1.edi, RK3AW_P_2.edi, RK3AW_P_3.edi...");
        QCOMPARE(options->nameEntry(1)->text(), "RK3AW_P_144.edi, RK3AW_P_432.edi, RK3AW_P_1300.edi...");
        QVERIFY(options->nameEntry(0)->isChecked());
        QVERIFY(options->formatEntry(0)->isChecked());
        if (confirm)
            QTest::mouseClick(options->continueButton(), Qt::LeftButton);
        else
            QTest::keyClick(options, Qt::Key_Escape);
    });
    m_window->action("N14")->trigger();
}

void TestEdiExport::filesPerBandWithTheirHeaders()
{
    QTemporaryDir folder;
    // A band without contacts keeps its older file.
    QFile older(folder.filePath("RK3AW_P_3.edi"));
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();
    openWindow();
    m_fakes->prompts.pathAnswers = {folder.path()};
    runExport();

    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Path).first(),
             "Выберите папку для сохранения|" + QDir::homePath());
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Выгрузили данные в " + folder.path() + "/"});
    QCOMPARE(m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName='SaveEDIPath'"),
             QVariantList{folder.path()});
    const QByteArray first = read(folder.filePath("RK3AW_P_1.edi"));
    const QByteArray second = read(folder.filePath("RK3AW_P_2.edi"));
    QVERIFY(first.startsWith("[REG1TEST;1]\r\n"));
    QVERIFY(first.contains("\r\nTDate=20150705\r\nPCall=RK3AW/P\r\nPWWLo=KO85UR\r\n"));
    QVERIFY(first.contains("\r\nPBand=144 MHz\r\n"));
    QVERIFY(first.endsWith("[QSORecords;2]\r\n150704;1200;UA3AAA;1;59;001;59;007;;KO95AA;;;;;\r\n"
                           "150704;1424;UA3BBB;2;599;002;599;012;;KO86AA;;;;;\r\n"));
    QVERIFY(second.contains("\r\nPBand=432 MHz\r\n"));
    QVERIFY(second.contains("[QSORecords;1]\r\n"));
    QCOMPARE(read(folder.filePath("RK3AW_P_3.edi")), QByteArray("older"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);

    // The next export offers the folder chosen last, and names the files by frequency.
    m_file->sqlite("UPDATE Setting SET SettingParamInt=1 WHERE SettingName='SaveOptionsFileName'");
    m_store->qSetting().close();
    m_store->qSetting().open();
    m_fakes->prompts.clear();
    m_fakes->prompts.pathAnswers = {folder.path() + "/"};
    whenModalOpens([&](QWidget* modal) {
        auto* options = qobject_cast<Tfsaveoptions*>(modal);
        QVERIFY(options && options->nameEntry(1)->isChecked());
        QTest::mouseClick(options->continueButton(), Qt::LeftButton);
    });
    m_window->action("N14")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Path).first(),
             "Выберите папку для сохранения|" + folder.path());
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Выгрузили данные в " + folder.path() + "/"});
    QVERIFY(QFile::exists(folder.filePath("RK3AW_P_144.edi")));
    QVERIFY(QFile::exists(folder.filePath("RK3AW_P_432.edi")));
}

// MSK144 (key 12) is written as 7; a mode the operator added above 9 without a code as 0.
void TestEdiExport::digitalModesWriteTheirOneDigitCode()
{
    m_file->sqlite(
        "INSERT INTO Modulation (ModulationRowid, ModulationName) VALUES (20, 'JT65');"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
        "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST) VALUES (1, 432, 42189.8, 'G4XYZ', 'IO91WM', 12, 2, 57, 17, 55),"
        " (1, 432, 42189.9, 'G4ABC', 'IO91AA', 20, 3, -5, 4, -7);");
    QTemporaryDir folder;
    openWindow();
    m_fakes->prompts.pathAnswers = {folder.path()};
    runExport();
    QVERIFY(read(folder.filePath("RK3AW_P_2.edi"))
                .endsWith("[QSORecords;3]\r\n150704;1648;UA3CCC;1;59;001;59;003;;KO95AA;;;;;\r\n"
                          "150704;1912;G4XYZ;7;57;002;55;017;;IO91WM;;;;;\r\n"
                          "150704;2136;G4ABC;0;-5;003;-7;004;;IO91AA;;;;;\r\n"));
}

void TestEdiExport::escapeInTheOptionsWritesNothing()
{
    openWindow();
    m_file->sqlite("UPDATE Setting SET SettingParamInt=0 WHERE SettingName='SaveOptionsFormat'");
    runExport(false);
    QVERIFY(m_fakes->prompts.shown.empty()); // no folder asked, no box
}

void TestEdiExport::aFolderThatCannotBeWrittenIsReported()
{
    QTemporaryDir folder;
    QFile plain(folder.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    openWindow();
    // A path through a regular file: no folder can be there, not even for root.
    m_fakes->prompts.pathAnswers = {folder.filePath("plain/edi")};
    runExport();
    const QStringList errors = m_fakes->prompts.texts(ShownPrompt::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(folder.filePath("plain/edi/RK3AW_P_1.edi")), qPrintable(errors.first()));
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Information).isEmpty());
}

void TestEdiExport::optionsDialogFollowsTheMainWindow_data()
{
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<QSize>("button");
    // Height 2.5 x the slider, halves to the even neighbour; width 3 x height + 20.
    QTest::newRow("8") << 8 << QSize(80, 20);
    QTest::newRow("9: 22.5 to 22") << 9 << QSize(86, 22);
    QTest::newRow("11: 27.5 to 28") << 11 << QSize(104, 28);
    QTest::newRow("25: 62.5 to 62") << 25 << QSize(206, 62);
}

void TestEdiExport::optionsDialogFollowsTheMainWindow()
{
    QFETCH(int, fontSize);
    QFETCH(QSize, button);
    openWindow();
    m_window->logView()->fontSlider()->setValue(fontSize);
    inModal<Tfsaveoptions>([&] { m_window->action("N14")->trigger(); },
                           [&](Tfsaveoptions* options) {
                               QCOMPARE(options->windowTitle(), "Опции сохранения");
                               QCOMPARE(options->continueButton()->size(), button);
                               QCOMPARE(options->font(), m_window->font());
                               QVERIFY(isCentredOn(*options, *m_window));
                               QTest::mouseClick(options->nameEntry(1), Qt::LeftButton);
                               QTest::mouseClick(options->formatEntry(1), Qt::LeftButton);
                               options->close(); // the close box: nothing stored, nothing asked
                           });
    QVERIFY(m_fakes->prompts.shown.empty());
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName LIKE 'SaveOptions%'"),
             (QVariantList{0, 0}));
}

// The OEM entry clicked in the real dialog: stored, and the contest name goes out in CP866
// while the contact lines stay the bytes of the ANSI export. A character neither code page
// holds is named in the final box.
void TestEdiExport::oemChosenInTheDialogConvertsTheContestName()
{
    QTemporaryDir folder;
    m_file->sqlite("UPDATE Contest SET ContestName='Полевой день ✓' WHERE ContestRowid=1");
    openWindow();
    m_fakes->prompts.pathAnswers = {folder.path()};
    runExport();
    const QByteArray ansi = read(folder.filePath("RK3AW_P_1.edi"));

    m_fakes->prompts.clear();
    m_fakes->prompts.pathAnswers = {folder.path()};
    inModal<Tfsaveoptions>([&] { m_window->action("N14")->trigger(); },
                           [&](Tfsaveoptions* options) {
                               QTest::mouseClick(options->formatEntry(1), Qt::LeftButton);
                               QTest::mouseClick(options->continueButton(), Qt::LeftButton);
                           });
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='SaveOptionsFormat'"),
             QVariantList{1});
    const QByteArray oem = read(folder.filePath("RK3AW_P_1.edi"));
    QVERIFY(ansi.contains("TName=\xCF\xEE\xEB\xE5\xE2\xEE\xE9 \xE4\xE5\xED\xFC ?\r\n"));
    QVERIFY(oem.contains("TName=\x8F\xAE\xAB\xA5\xA2\xAE\xA9 \xA4\xA5\xAD\xEC ?\r\n"));
    QCOMPARE(oem.mid(oem.indexOf("[QSORecords")), ansi.mid(ansi.indexOf("[QSORecords")));
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Выгрузили данные в " + folder.path() +
                         "/\n\rЗнаки, которых нет в кодировке, записаны как \"?\": 144 MHz: TName=, 432 "
                         "MHz: TName="});
}

// An export that would write no file says so, and asks nothing about files first.
void TestEdiExport::nothingToExportIsSaid_data()
{
    QTest::addColumn<QString>("statements");
    QTest::addColumn<QString>("text");
    QTest::newRow("no current contest, as after the viewer") << "UPDATE Contest SET ContestActual=False"
                                                             << "Соревнование не выбрано.";
    QTest::newRow("a contest without contacts")
        << "INSERT INTO Contest VALUES (3, 'Пустой', 42189, 42190.5, 0);"
           "UPDATE Contest SET ContestActual=(ContestRowid=3)"
        << "Нет связей для выгрузки: «Пустой».";
}

void TestEdiExport::nothingToExportIsSaid()
{
    QFETCH(QString, statements);
    QFETCH(QString, text);
    m_file->sqlite(statements);
    QTemporaryDir folder;
    m_fakes->prompts.pathAnswers = {folder.path()};
    openWindow();
    m_window->action("N14")->trigger();
    QCOMPARE(m_fakes->prompts.texts(), QStringList{text});
    QCOMPARE(m_fakes->prompts.shown.front().kind, ShownPrompt::Warning);
    QVERIFY(QDir(folder.path()).isEmpty());
}

namespace {

// A REG1TEST 1.1 file as a robot of an IARU Region 1 contest takes it, from the format's text:
// 7-bit ASCII, CR LF after every line, the identifier, the 36 header keys in order, the remarks,
// the QSO records with the count announced, fifteen fields each, at most 75 characters.
struct Reg1Test
{
    QHash<QString, QString> header;
    QList<QStringList> qsos;
    QString trailer;
};

Reg1Test readReg1Test(const QByteArray& bytes)
{
    Reg1Test file;
    for (const char c : bytes)
        [&] { QVERIFY2(uchar(c) < 0x80, "not 7-bit ASCII"); }();
    [&] { QVERIFY(bytes.endsWith("\r\n")); }();
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QStringList text;
    for (const QByteArray& line : std::as_const(lines)) {
        [&] { QVERIFY2(line.endsWith('\r') && line.count('\r') == 1, line.constData()); }();
        text << QString::fromLatin1(line.chopped(1));
    }
    static const QStringList keys = {"TName", "TDate", "PCall", "PWWLo", "PExch", "PAdr1", "PAdr2", "PSect",
                                     "PBand", "PClub", "RName", "RCall", "RAdr1", "RAdr2", "RPoCo", "RCity",
                                     "RCoun", "RPhon", "RHBBS", "MOpe1", "MOpe2", "STXEq", "SPowe", "SRXEq",
                                     "SAnte", "SAntH", "CQSOs", "CQSOP", "CWWLs", "CWWLB", "CExcs", "CExcB",
                                     "CDXCs", "CDXCB", "CToSc", "CODXC"};
    if (text.size() < 40)
        return file;
    [&] { QCOMPARE(text[0], "[REG1TEST;1]"); }();
    for (int i = 0; i < keys.size(); ++i) {
        [&] { QVERIFY2(text[i + 1].startsWith(keys[i] + "="), qPrintable(text[i + 1])); }();
        file.header[keys[i]] = text[i + 1].mid(6);
    }
    int at = int(keys.size()) + 1;
    [&] { QCOMPARE(text[at], "[Remarks]"); }();
    while (at < text.size() && !text[at].startsWith("[QSORecords;"))
        ++at;
    static const QRegularExpression records("^\\[QSORecords;(\\d+)\\]$");
    const QRegularExpressionMatch count = records.match(at < text.size() ? text[at] : QString());
    [&] { QVERIFY(count.hasMatch()); }();
    const int n = count.captured(1).toInt();
    [&] { QCOMPARE(text.size(), at + 1 + n + 1); }();
    static const QRegularExpression qso(
        "^\\d{6};\\d{4};[A-Z0-9/]{3,14};[0-9]?;\\d{0,3};(\\d{3,4})?;\\d{0,3};(\\d{3,4})?;"
        "[^;]{0,6};([A-X]{2}\\d{2}([A-X]{2})?)?;\\d{1,6};N?;N?;N?;D?$");
    for (int i = at + 1; i <= at + n; ++i) {
        [&] { QVERIFY2(qso.match(text[i]).hasMatch() && text[i].size() <= 75, qPrintable(text[i])); }();
        file.qsos << text[i].split(';');
    }
    file.trailer = text.last();
    return file;
}

// The centre of a locator's sub-square in degrees, as the format's distance rule takes it.
QPointF centre(const QString& l)
{
    const double lon = (l[0].unicode() - 'A') * 20 - 180 + (l[2].unicode() - '0') * 2 +
                       (l[4].unicode() - 'A') * 5.0 / 60 + 2.5 / 60;
    const double lat = (l[1].unicode() - 'A') * 10 - 90 + (l[3].unicode() - '0') +
                       (l[5].unicode() - 'A') * 2.5 / 60 + 1.25 / 60;
    return {lon, lat};
}

int iaruPoints(const QString& own, const QString& other)
{
    const double r = std::numbers::pi / 180;
    const QPointF a = centre(own), b = centre(other);
    const double cosine = std::sin(a.y() * r) * std::sin(b.y() * r) +
                          std::cos(a.y() * r) * std::cos(b.y() * r) * std::cos((b.x() - a.x()) * r);
    return int(std::floor(6371.29 * std::acos(std::min(1.0, cosine)))) + 1;
}

} // namespace

// The IARU variant chosen in the real dialog, on two bands with a repeat, an incomplete
// locator and Cyrillic personal data: every file passes the strict reader, its points and
// claims are the IARU rule's, and the national files stay as they were.
void TestEdiExport::iaruVariantPassesAStrictReader()
{
    m_file->sqlite(
        "UPDATE SettingInfo SET SettingInfoValue='Иванов Пётр' WHERE SettingInfoN='RName';"
        "UPDATE SettingInfo SET SettingInfoValue='Щёлково' WHERE SettingInfoN='RCity';"
        "UPDATE SettingInfo SET SettingInfoValue='1,5 кВт' WHERE SettingInfoN='SPowe';"
        "UPDATE SettingInfo SET SettingInfoValue='12 м' WHERE SettingInfoN='SAntH';"
        "UPDATE SettingInfo SET SettingInfoValue='150 м' WHERE SettingInfoN='SAntH2';"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.8, 'UA3AAA', 'KO95AB', 1, 3, 59, 20, 59, 127, 127.4, 89),"
        " (1, 144, 42189.9, 'UA3DDD', 'KO95BB', 2, 4, 599, 21, 599, 127, 127.4, 89),"
        " (1, 432, 42189.8, 'UA3EEE', 'KO9', 1, 2, 59, 4, 59, 0, 0, 0);");
    QTemporaryDir national, iaru;
    openWindow();
    m_fakes->prompts.pathAnswers = {national.path()};
    exportPastTheCheck(
        [](Tfsaveoptions* options) { QTest::mouseClick(options->continueButton(), Qt::LeftButton); });
    m_fakes->prompts.clear();
    m_fakes->prompts.pathAnswers = {iaru.path()};
    exportPastTheCheck([&](Tfsaveoptions* options) {
        QVERIFY(options->variantEntry(0)->isChecked());
        QVERIFY(!options->checklogBox()->isEnabled());
        // On the button's circle: a short label leaves the middle of a wide button empty.
        QRadioButton* entry = options->variantEntry(1);
        QTest::mouseClick(entry, Qt::LeftButton, {}, QPoint(8, entry->height() / 2));
        QVERIFY(options->checklogBox()->isEnabled());
        QTest::mouseClick(options->continueButton(), Qt::LeftButton);
    });
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName IN "
                            "('EdiFileVariant', 'EdiChecklog') ORDER BY SettingName"),
             (QVariantList{0, 1}));
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Выгрузили данные в " + iaru.path() + "/"});

    const Reg1Test first = readReg1Test(read(iaru.filePath("RK3AW_P_1.edi")));
    const Reg1Test second = readReg1Test(read(iaru.filePath("RK3AW_P_2.edi")));
    QCOMPARE(first.qsos.size(), 4);
    QCOMPARE(second.qsos.size(), 2);
    QCOMPARE(first.header["TDate"], "20150704;20150705");
    QCOMPARE(first.header["PBand"], "144 MHz");
    QCOMPARE(second.header["PBand"], "432 MHz");
    QCOMPARE(first.header["PSect"], "SINGLE");
    QCOMPARE(first.header["RName"], "Ivanov Petr");
    QCOMPARE(first.header["RCity"], "Shchelkovo");
    QCOMPARE(first.header["SPowe"], "1500");
    QCOMPARE(first.header["SAntH"], "12;150");
    QVERIFY(first.trailer.startsWith("[END;Kovra log ") && first.trailer.endsWith("]"));

    // Points, marks and claims as the IARU counts them: the repeat of UA3AAA is a duplicate
    // with 0 points, KO9 scores nothing, and a square is new once.
    const QList<QStringList> expected144 = {
        {"UA3AAA", QString::number(iaruPoints("KO85UR", "KO95AA")), "N", ""},
        {"UA3BBB", QString::number(iaruPoints("KO85UR", "KO86AA")), "N", ""},
        {"UA3AAA", "0", "", "D"},
        {"UA3DDD", QString::number(iaruPoints("KO85UR", "KO95BB")), "", ""}};
    for (int i = 0; i < expected144.size(); ++i) {
        const QStringList& q = first.qsos[i];
        QCOMPARE((QStringList{q[2], q[10], q[12], q[14]}), expected144[i]);
    }
    QCOMPARE(first.qsos[0][5], "001");
    QCOMPARE(first.qsos[0][7], "007");
    QCOMPARE((QStringList{second.qsos[0][9], second.qsos[0][10], second.qsos[0][12]}),
             (QStringList{"KO95AA", QString::number(iaruPoints("KO85UR", "KO95AA")), "N"}));
    QCOMPARE((QStringList{second.qsos[1][9], second.qsos[1][10], second.qsos[1][12]}),
             (QStringList{"", "0", ""})); // the format has no field for three characters
    const int sum144 = expected144[0][1].toInt() + expected144[1][1].toInt() + expected144[3][1].toInt();
    QCOMPARE(first.header["CQSOs"], "3;1");
    QCOMPARE(first.header["CQSOP"], QString::number(sum144));
    QCOMPARE(first.header["CToSc"], QString::number(sum144));
    QCOMPARE(first.header["CWWLs"], "2;0;1");
    // KO86AA lies farther from KO85UR than the KO95 squares.
    QVERIFY(expected144[1][1].toInt() > expected144[0][1].toInt());
    QCOMPARE(first.header["CODXC"], "UA3BBB;KO86AA;" + QString::number(expected144[1][1].toInt() - 1));
    QCOMPARE(second.header["CQSOs"], "1;1");

    // The national files are the bytes of before; a check log names its section.
    m_fakes->prompts.clear();
    m_fakes->prompts.pathAnswers = {iaru.path()};
    exportPastTheCheck([&](Tfsaveoptions* options) {
        QVERIFY(options->variantEntry(1)->isChecked());
        QTest::mouseClick(options->checklogBox(), Qt::LeftButton, {},
                          QPoint(8, options->checklogBox()->height() / 2));
        QTest::mouseClick(options->continueButton(), Qt::LeftButton);
    });
    QCOMPARE(readReg1Test(read(iaru.filePath("RK3AW_P_1.edi"))).header["PSect"], "CHECKLOG");
    QVERIFY(read(national.filePath("RK3AW_P_1.edi"))
                .endsWith("[QSORecords;4]\r\n150704;1200;UA3AAA;1;59;001;59;007;;KO95AA;;;;;\r\n"
                          "150704;1424;UA3BBB;2;599;002;599;012;;KO86AA;;;;;\r\n"
                          "150704;1912;UA3AAA;1;59;003;59;020;;KO95AB;;;;;\r\n"
                          "150704;2136;UA3DDD;2;599;004;599;021;;KO95BB;;;;;\r\n"));
}

// A power the IARU file cannot take as watts is left out of it and said, once for all bands.
void TestEdiExport::anUnreadablePowerIsNamedInTheFinalBox()
{
    m_file->sqlite(
        "UPDATE SettingInfo SET SettingInfoValue='30 dBm' WHERE SettingInfoN='SPowe';"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('EdiFileVariant', 1);"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.8, 'UA3AAA', 'KO95AB', 1, 3, 59, 20, 59, 127, 127.4, 89);");
    QTemporaryDir iaru;
    openWindow();
    m_fakes->prompts.pathAnswers = {iaru.path()};
    exportPastTheCheck([](Tfsaveoptions* options) {
        QVERIFY(options->variantEntry(1)->isChecked());
        QTest::mouseClick(options->continueButton(), Qt::LeftButton);
    });
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Выгрузили данные в " + iaru.path() +
                         "/\n\rНе записано, значение не читается (мощность — число ватт или число с единицей "
                         "Вт, кВт, мВт): SPowe="});
    QCOMPARE(readReg1Test(read(iaru.filePath("RK3AW_P_1.edi"))).header["SPowe"], "");
    QCOMPARE(readReg1Test(read(iaru.filePath("RK3AW_P_2.edi"))).header["SPowe"], "");
}

QTEST_MAIN(TestEdiExport)
#include "tst_ediexport.moc"
