#include "app/tfmain.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

// A contact that the grid shows is on disk: killing the program right then loses nothing.
class TestDurability : public QObject
{
    Q_OBJECT
private slots:
    void contactSurvivesAKill();
};

void TestDurability::contactSurvivesAKill()
{
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    file.sqlite(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);");

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationDirPath() + "/kovra_savechild", {file.path()});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    while (!output.contains("SAVED") && child.waitForReadyRead(20000))
        output += child.readAllStandardOutput();
    QVERIFY2(output.contains("SAVED"), output.constData());
    QCOMPARE(child.state(), QProcess::Running);
    child.kill(); // SIGKILL: no clean-up of any kind
    QVERIFY(child.waitForFinished());

    QCOMPARE(file.column("SELECT ContestListCall || ' ' || ContestListSendNum FROM ContestList"),
             QVariantList{"UA3KIL 1"});
    FakeServices fakes;
    auto store = file.openStore(fakes.prompts);
    Tfmain window(*store, fakes.services);
    // The program was killed before it could store the band; the operator picks it again.
    EntryPanel* entry = window.entryPanel();
    WindowTest::chooseInList(entry->bandList, 0);
    QCOMPARE(entry->sentNumberEdit->text(), "2");
}

QTEST_MAIN(TestDurability)
#include "tst_durability.moc"
