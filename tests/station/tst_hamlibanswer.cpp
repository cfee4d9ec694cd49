#include "station/hamlibanswer.h"
#include "station/hamlibclient.h"

#include <QtTest>

// The reader of hamlib's line protocol, as bytes come from a socket, and the delays between
// attempts to connect again.
class TestHamlibAnswer : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatTheBytesComplete_data();
    void readsWhatTheBytesComplete();
    void aLineOrAnAnswerWithoutEndIsOverlong_data();
    void aLineOrAnAnswerWithoutEndIsOverlong();
    void frequencies_data();
    void frequencies();
    void anglesAreFiniteNumbers();
    void reconnectionsWaitLongerUpToHalfAMinute();
};

namespace {

// An answer in one line of text: its values, "key=value" fields and report, joined by "|".
QString described(const HamlibAnswer& answer)
{
    QStringList parts;
    for (const QByteArray& value : answer.values)
        parts << QString::fromLatin1(value);
    for (const auto& [key, value] : answer.fields)
        parts << QString::fromLatin1(key + '=' + value);
    if (answer.report)
        parts << QStringLiteral("RPRT %1").arg(*answer.report);
    return parts.join('|');
}

// "r" a report, "1" and "2" so many values, "e" an extended answer.
std::vector<AnswerForm> forms(const QString& kinds)
{
    std::vector<AnswerForm> awaited;
    for (const QChar kind : kinds)
        awaited.push_back(kind == 'r'   ? AnswerForm{AnswerForm::Report}
                          : kind == 'e' ? AnswerForm{AnswerForm::Extended}
                                        : AnswerForm{AnswerForm::Values, kind.digitValue()});
    return awaited;
}

} // namespace

void TestHamlibAnswer::readsWhatTheBytesComplete_data()
{
    QTest::addColumn<QString>("awaited");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("used");
    QTest::newRow("frequency") << "1" << QByteArray("432200000\n") << QStringList{"432200000"} << 10;
    QTest::newRow("mode and passband, then a set")
        << "2r" << QByteArray("USB\n2400\nRPRT 0\n") << QStringList{"USB|2400", "RPRT 0"} << 16;
    QTest::newRow("an error in place of values")
        << "21" << QByteArray("RPRT -11\n144200000\n") << QStringList{"RPRT -11", "144200000"} << 19;
    QTest::newRow("a value where a report was due") << "r" << QByteArray("15\n") << QStringList{"15"} << 3;
    QTest::newRow("CR LF and blanks")
        << "1" << QByteArray(" 144200000 \r\n") << QStringList{"144200000"} << 13;
    QTest::newRow("half an answer waits")
        << "12" << QByteArray("432200000\nUSB\n24") << QStringList{"432200000"} << 10;
    QTest::newRow("a line without its end waits") << "1" << QByteArray("4322") << QStringList{} << 0;
    QTest::newRow("extended") << "e1" << QByteArray("get_freq:\nFrequency: 432200000\nRPRT 0\n7\n")
                              << QStringList{"get_freq=|Frequency=432200000|RPRT 0", "7"} << 40;
    QTest::newRow("extended refused") << "e" << QByteArray("RPRT -4\n") << QStringList{"RPRT -4"} << 8;
    QTest::newRow("extended without its report waits")
        << "e" << QByteArray("dump_state:\nMinimum Azimuth: 0\n") << QStringList{} << 0;
    QTest::newRow("nothing awaited") << "" << QByteArray("RPRT 0\n") << QStringList{} << 0;
}

void TestHamlibAnswer::readsWhatTheBytesComplete()
{
    QFETCH(QString, awaited);
    QFETCH(QByteArray, received);
    QFETCH(QStringList, answers);
    QFETCH(int, used);
    const std::vector<AnswerForm> awaitedForms = forms(awaited);
    const AnswerReading reading = readHamlibAnswers(received, awaitedForms);
    QStringList read;
    for (const HamlibAnswer& answer : reading.answers)
        read << described(answer);
    QCOMPARE(read, answers);
    QCOMPARE(reading.used, used);
    QVERIFY(!reading.overlong);
}

void TestHamlibAnswer::aLineOrAnAnswerWithoutEndIsOverlong_data()
{
    QTest::addColumn<QString>("awaited");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("overlong");
    const QByteArray longest(kMaxAnswerLine, '7');
    QTest::newRow("the longest line") << "1" << QByteArray(longest + '\n') << false;
    QTest::newRow("the longest line, unfinished") << "1" << longest << false;
    QTest::newRow("a line too long") << "1" << QByteArray(longest + "7\n") << true;
    QTest::newRow("a line too long, unfinished") << "1" << QByteArray(longest + '7') << true;
    QTest::newRow("after an answer") << "r1" << QByteArray("RPRT 0\n" + longest + '7') << true;
    QByteArray lines;
    for (int i = 0; i < kMaxAnswerLines; ++i)
        lines += "Key: value\n";
    QTest::newRow("an extended answer too long") << "e" << lines << true;
    lines.chop(11);
    QTest::newRow("the longest extended answer") << "e" << QByteArray(lines + "RPRT 0\n") << false;
}

void TestHamlibAnswer::aLineOrAnAnswerWithoutEndIsOverlong()
{
    QFETCH(QString, awaited);
    QFETCH(QByteArray, received);
    QFETCH(bool, overlong);
    const std::vector<AnswerForm> awaitedForms = forms(awaited);
    QCOMPARE(readHamlibAnswers(received, awaitedForms).overlong, overlong);
}

void TestHamlibAnswer::frequencies_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("hz"); // 0: none
    QTest::newRow("whole Hz") << QByteArray("432200000") << qint64(432200000);
    QTest::newRow("with decimals") << QByteArray("1296200000.000000") << qint64(1296200000);
    QTest::newRow("a fraction of a Hz") << QByteArray("144200000.6") << qint64(144200001);
    QTest::newRow("24 GHz") << QByteArray("24048200000") << qint64(24048200000);
    QTest::newRow("zero") << QByteArray("0") << qint64(0);
    QTest::newRow("negative") << QByteArray("-144200000") << qint64(0);
    QTest::newRow("nan") << QByteArray("nan") << qint64(0);
    QTest::newRow("inf") << QByteArray("inf") << qint64(0);
    QTest::newRow("1 THz") << QByteArray("1e12") << qint64(0);
    QTest::newRow("a word") << QByteArray("USB") << qint64(0);
    QTest::newRow("empty") << QByteArray() << qint64(0);
}

void TestHamlibAnswer::frequencies()
{
    QFETCH(QByteArray, value);
    QFETCH(qint64, hz);
    QCOMPARE(hamlibFrequency(value).value_or(0), hz);
}

void TestHamlibAnswer::anglesAreFiniteNumbers()
{
    QCOMPARE(hamlibAngle("-90.500000"), -90.5);
    QCOMPARE(hamlibAngle("nan"), std::nullopt);
    QCOMPARE(hamlibAngle("-inf"), std::nullopt);
    QCOMPARE(hamlibAngle("north"), std::nullopt);
}

void TestHamlibAnswer::reconnectionsWaitLongerUpToHalfAMinute()
{
    QList<int> delays;
    for (int attempt : {1, 2, 3, 4, 5, 6, 1000})
        delays << HamlibClient::reconnectDelayMs(attempt);
    QCOMPARE(delays, (QList<int>{2000, 4000, 8000, 16000, 30000, 30000, 30000}));
}

QTEST_GUILESS_MAIN(TestHamlibAnswer)
#include "tst_hamlibanswer.moc"
