#include "platform/terminationsignal.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>

// A termination signal reaches the event loop as a Qt signal; afterwards the default is back.
class TestTerminationSignal : public QObject
{
    Q_OBJECT
private slots:
    void signalBecomesAnEvent_data();
    void signalBecomesAnEvent();
};

void TestTerminationSignal::signalBecomesAnEvent_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestTerminationSignal::signalBecomesAnEvent()
{
    QFETCH(int, signal);
    {
        TerminationSignal termination;
        QSignalSpy received(&termination, &TerminationSignal::received);
        std::raise(signal);
        std::raise(signal); // a second one before the loop ran: still one close
        QVERIFY(received.wait(5000));
        QTest::qWait(50);
        QCOMPARE(received.size(), 1);
        struct sigaction now = {};
        ::sigaction(signal, nullptr, &now);
        QVERIFY(now.sa_handler == SIG_DFL); // a further one while closing ends the program
    }
    struct sigaction after = {};
    ::sigaction(signal, nullptr, &after);
    QVERIFY(after.sa_handler == SIG_DFL);
}

QTEST_GUILESS_MAIN(TestTerminationSignal)
#include "tst_terminationsignal.moc"
