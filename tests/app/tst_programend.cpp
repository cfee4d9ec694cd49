#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

// The program itself, ended by the signals of a logout, a closed terminal and Ctrl+C: it
// ends in every state, a box open at start-up included, and closes the normal way first,
// so the window's settings are stored.
class TestProgramEnd : public QObject
{
    Q_OBJECT
private slots:
    void signalEndsTheProgram_data();
    void signalEndsTheProgram();
};

void TestProgramEnd::signalEndsTheProgram_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QByteArray>("waitFor"); // on the program's error output, before the signal
    QTest::addColumn<QString>("fileArgument");
    // A damaged table stops the start-up with an error box, which stays up until answered.
    const QString damaged = "ALTER TABLE Modulation RENAME COLUMN ModulationName TO Damaged;";
    QTest::newRow("SIGTERM, box at start-up") << int(SIGTERM) << damaged << QByteArray("kovra:") << QString();
    QTest::newRow("SIGHUP, box at start-up") << int(SIGHUP) << damaged << QByteArray("kovra:") << QString();
    // A file that cannot be opened is said in a box once the window runs its event loop.
    QTest::newRow("SIGTERM, box in the running window")
        << int(SIGTERM) << QString() << QByteArray("kovra:") << "/nonexistent/contest.edi";
    QTest::newRow("SIGINT, no box") << int(SIGINT) << QString() << QByteArray() << QString();
}

void TestProgramEnd::signalEndsTheProgram()
{
    QFETCH(int, signal);
    QFETCH(QString, damage);
    QFETCH(QByteArray, waitFor);
    QFETCH(QString, fileArgument);
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts); // a whole new log
    file.sqlite("DELETE FROM Setting WHERE SettingName='MainFormWidth';" + damage);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    QStringList arguments{"--database", file.path()};
    if (!fileArgument.isEmpty())
        arguments << fileArgument;
    program.start(KOVRA_PROGRAM, arguments);
    QVERIFY(program.waitForStarted());
    QByteArray errors;
    if (!waitFor.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT((errors += program.readAllStandardError()).contains(waitFor), 30000);
    } else {
        // Up and idle: the window has stored nothing yet, so wait for the first frame instead.
        QTest::qWait(2000);
        QCOMPARE(program.state(), QProcess::Running);
    }
    QTest::qWait(300); // the box is up and its event loop runs
    ::kill(pid_t(program.processId()), signal);
    QVERIFY2(program.waitForFinished(15000), "the program did not end");
    errors += program.readAllStandardError();
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(file.column("SELECT SettingParamInt FROM Setting WHERE SettingName='MainFormWidth'") ==
                 QVariantList{892},
             errors.constData());
}

QTEST_GUILESS_MAIN(TestProgramEnd)
#include "tst_programend.moc"
