#include "station/rig.h"
#include "support/dummyrotctld.h"

#include <QSignalSpy>
#include <QtTest>

// The rig client against hamlib's own daemon with its dummy rig, set by a second connection as
// another program or the rig's knobs would, and against a fake daemon for the faults.
class TestRig : public QObject
{
    Q_OBJECT
private slots:
    void followsTheDummyRig();
    void readsTwiceASecondOneQuestionAtATime();
    void aFaultIsSaidOnceWithTheAddress_data();
    void aFaultIsSaidOnceWithTheAddress();
    void aSilentRigIsAskedNothingMore();
    void saysWhenTheRigAnswersAgain();
    void aRigThatCannotTellItsModeIsFollowedByItsFrequency();
};

void TestRig::followsTheDummyRig()
{
    DummyRigctld daemon;
    QVERIFY2(daemon.start(), "rigctld (libhamlib-utils) is needed");
    Rig rig;
    QSignalSpy failed(&rig, &Rig::failed);
    qint64 hz = 0;
    QString mode;
    connect(&rig, &Rig::read, this, [&](qint64 readHz, const QString& readMode) {
        hz = readHz;
        mode = readMode;
    });
    rig.setAddress("127.0.0.1", daemon.port());
    rig.start();
    QTRY_COMPARE_WITH_TIMEOUT(hz, qint64(145000000), 3000); // where the dummy starts
    QCOMPARE(mode, "FM");
    QVERIFY(daemon.set("F 432200000\nM USB 2400\n"));
    QTRY_VERIFY_WITH_TIMEOUT(hz == 432200000 && mode == "USB", 1000);
    QVERIFY(daemon.set("F 144200000\n"));
    QTRY_COMPARE_WITH_TIMEOUT(hz, qint64(144200000), 1000);
    rig.tune(144300000);
    QTRY_COMPARE_WITH_TIMEOUT(hz, qint64(144300000), 1000);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.isEmpty() ? "" : failed.first().first().toString()));
}

void TestRig::readsTwiceASecondOneQuestionAtATime()
{
    FakeRotctld daemon;
    Rig rig;
    QSignalSpy read(&rig, &Rig::read);
    rig.setAddress("127.0.0.1", daemon.port());
    rig.start();
    QTest::qWait(2100);
    QVERIFY2(read.size() >= 4 && read.size() <= 6, qPrintable(QString::number(read.size())));
    QCOMPARE(read.first(), (QVariantList{qint64(145000000), "FM"}));
    // Each reading asks the frequency, then the mode.
    for (qsizetype i = 0; i < daemon.received.size(); ++i)
        QCOMPARE(daemon.received[i], i % 2 == 0 ? "f" : "m");
    rig.stop(); // switched off, it asks nothing more
    const qsizetype asked = daemon.received.size();
    QTest::qWait(600);
    QCOMPARE(daemon.received.size(), asked);
}

void TestRig::aFaultIsSaidOnceWithTheAddress_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    QTest::newRow("an error answer") << "refuses"
                                     << "ответ RPRT -1";
    QTest::newRow("a frequency that is not a number") << "nan"
                                                      << "непонятный ответ \"nan\"";
    QTest::newRow("a mode that is no name") << "mode"
                                            << "непонятный ответ \"U/SB\"";
    QTest::newRow("a closed connection") << "hangs up"
                                         << "соединение закрыто";
    QTest::newRow("a line without end") << "long"
                                        << "слишком длинный ответ";
}

void TestRig::aFaultIsSaidOnceWithTheAddress()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    FakeRotctld daemon;
    daemon.refusesAll = fault == "refuses";
    daemon.hangsUp = fault == "hangs up";
    if (fault == "nan")
        daemon.frequency = "nan";
    if (fault == "mode")
        daemon.mode = "U/SB";
    if (fault == "long")
        daemon.frequency = QByteArray(kMaxAnswerLine + 1, '1');
    Rig rig;
    QSignalSpy failed(&rig, &Rig::failed);
    QSignalSpy read(&rig, &Rig::read);
    rig.setAddress("127.0.0.1", daemon.port());
    rig.start();
    QVERIFY(failed.wait(3000));
    QCOMPARE(failed.first().first().toString(),
             QString("Трансивер 127.0.0.1:%1: %2").arg(daemon.port()).arg(cause));
    // Tried again after a while, and the same fault is not said again.
    QTRY_COMPARE_WITH_TIMEOUT(daemon.connections, 2, 4000);
    QTest::qWait(300);
    QCOMPARE(failed.size(), 1);
    QVERIFY(read.isEmpty());
}

void TestRig::aSilentRigIsAskedNothingMore()
{
    FakeRotctld daemon;
    daemon.readingsBeforeSilence = 0;
    Rig rig;
    QSignalSpy failed(&rig, &Rig::failed);
    rig.setAddress("127.0.0.1", daemon.port());
    rig.start();
    QVERIFY(failed.wait(6000));
    QCOMPARE(failed.first().first().toString(),
             QString("Трансивер 127.0.0.1:%1: нет ответа за 5 с").arg(daemon.port()));
    QCOMPARE(daemon.received, QList<QByteArray>{"f"}); // no question while one is unanswered
}

void TestRig::saysWhenTheRigAnswersAgain()
{
    FakeRotctld daemon;
    daemon.refusesAll = true;
    Rig rig;
    QSignalSpy failed(&rig, &Rig::failed);
    QSignalSpy again(&rig, &Rig::answersAgain);
    QSignalSpy read(&rig, &Rig::read);
    rig.setAddress("127.0.0.1", daemon.port());
    rig.start();
    QVERIFY(failed.wait(3000));
    daemon.refusesAll = false;
    QVERIFY(again.wait(4000));
    QCOMPARE(again.first().first().toString(),
             QString("Трансивер 127.0.0.1:%1: снова отвечает").arg(daemon.port()));
    QTRY_COMPARE_WITH_TIMEOUT(read.size(), 1, 1000);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(again.size(), 1);
}

void TestRig::aRigThatCannotTellItsModeIsFollowedByItsFrequency()
{
    FakeRotctld daemon;
    daemon.mode = "RPRT -11";
    Rig rig;
    QSignalSpy failed(&rig, &Rig::failed);
    QSignalSpy read(&rig, &Rig::read);
    rig.setAddress("127.0.0.1", daemon.port());
    rig.start();
    QTRY_COMPARE_WITH_TIMEOUT(read.size(), 2, 2000);
    QCOMPARE(read.last(), (QVariantList{qint64(145000000), QString()}));
    QVERIFY(failed.isEmpty());
    QCOMPARE(daemon.connections, 1);
}

QTEST_GUILESS_MAIN(TestRig)
#include "tst_rig.moc"
