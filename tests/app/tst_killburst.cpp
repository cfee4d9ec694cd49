#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

// The program killed (SIGKILL) at random moments while it saves contact after contact: the
// file stays whole, every save that returned is stored once, and the numbers run on.
class TestKillBurst : public QObject
{
    Q_OBJECT
private slots:
    void killedDuringABurst();
};

void TestKillBurst::killedDuringABurst()
{
    constexpr int kSaves = 200;
    constexpr int kMostRounds = 1000;
    bool given = false;
    quint32 seed = qgetenv("KOVRA_KILL_SEED").toUInt(&given);
    if (!given) {
        QVERIFY2(!qEnvironmentVariableIsSet("KOVRA_KILL_SEED"), "KOVRA_KILL_SEED is not a number");
        seed = QRandomGenerator::global()->generate();
    }
    qInfo("seed %u (set KOVRA_KILL_SEED to repeat)", seed);
    QRandomGenerator random(seed);

    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    file.sqlite(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);");

    QStringList acknowledged;
    int kills = 0;
    int rounds = 0;
    while (true) {
        const int stored = file.column("SELECT COUNT(*) FROM ContestList").first().toInt();
        if (stored >= kSaves)
            break;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationDirPath() + "/kovra_burstchild",
                    {file.path(), QString::number(stored), QString::number(kSaves - stored)});
        QVERIFY(child.waitForStarted());
        // The kill falls at a random moment of the burst, counted from the child's start
        // of saving, so a slow start-up (a sanitizer build) still gets saves done.
        QByteArray output;
        while (!output.contains("READY") && child.waitForReadyRead(30000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("READY"), output.constData());
        const int after = int(random.bounded(0, 15));
        const bool finished = child.waitForFinished(after);
        if (!finished) {
            child.kill();
            QVERIFY(child.waitForFinished());
            ++kills;
        } else {
            QCOMPARE(child.exitCode(), 0);
        }
        output += child.readAllStandardOutput();
        QVERIFY2(++rounds < kMostRounds, "the saves make no progress");
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("SAVED "))
                acknowledged << QString::fromLatin1(line.split(' ')[1]);
        }

        QCOMPARE(file.column("PRAGMA integrity_check"), QVariantList{"ok"});
        for (const QString& call : std::as_const(acknowledged))
            QCOMPARE(
                file.column(QString("SELECT COUNT(*) FROM ContestList WHERE ContestListCall='%1'").arg(call)),
                QVariantList{1});
        // The numbers run 1, 2, 3 ... without a gap or a repeat, so the next follows the last.
        const QVariantList numbers =
            file.column("SELECT ContestListSendNum FROM ContestList ORDER BY ContestListSendNum");
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(numbers[i].toInt(), i + 1);
    }
    qInfo("%d kills, %lld saves acknowledged", kills, qlonglong(acknowledged.size()));
    QVERIFY(kills > 0);
}

QTEST_GUILESS_MAIN(TestKillBurst)
#include "tst_killburst.moc"
