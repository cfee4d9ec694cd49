#include "station/wsjtxmessage.h"
#include "support/wsjtxsender.h"

#include <QtEndian>
#include <QtTest>

// The reader of WSJT-X's datagrams and of the ADIF record of a logged contact, on datagrams
// built from the protocol's documented layout.
class TestWsjtxMessage : public QObject
{
    Q_OBJECT
private slots:
    void readsStatusInBothSchemas_data();
    void readsStatusInBothSchemas();
    void readsDecodesLoggedRecordsAndOtherTypes();
    void dropsWhatIsNotAWholeDatagram_data();
    void dropsWhatIsNotAWholeDatagram();
    void everyTruncationIsDropped();
    void writesHighlightCallsignAsDocumented();
    void readsTheRecordOfALoggedContact();
    void takesTheModeAsTheLogNamesIt_data();
    void takesTheModeAsTheLogNamesIt();
    void refusesHostileRecords_data();
    void refusesHostileRecords();
    void saysWhatAContactLacks_data();
    void saysWhatAContactLacks();
    void findsTheSenderOfADecode_data();
    void findsTheSenderOfADecode();
};

void TestWsjtxMessage::readsStatusInBothSchemas_data()
{
    QTest::addColumn<quint32>("schema");
    QTest::newRow("schema 2") << 2u;
    QTest::newRow("schema 3") << 3u;
}

void TestWsjtxMessage::readsStatusInBothSchemas()
{
    QFETCH(quint32, schema);
    // Later versions add fields at the end: they are passed over.
    const QByteArray bytes =
        wsjtx::status(144360000, "MSK144", "G4XYZ", "IO91WM", schema) + wsjtx::text("extra");
    const WsjtxReading r = readWsjtxDatagram(bytes);
    QVERIFY2(r.datagram, qPrintable(r.fault));
    QCOMPARE(r.datagram->kind, WsjtxDatagram::Status);
    QCOMPARE(r.datagram->schema, schema);
    QCOMPARE(r.datagram->id, QString("WSJT-X"));
    QCOMPARE(r.datagram->dialHz, 144360000);
    QCOMPARE(r.datagram->mode, QString("MSK144"));
    QCOMPARE(r.datagram->dxCall, QString("G4XYZ"));
    QCOMPARE(r.datagram->dxGrid, QString("IO91WM"));
}

void TestWsjtxMessage::readsDecodesLoggedRecordsAndOtherTypes()
{
    const WsjtxReading decode = readWsjtxDatagram(wsjtx::decode("CQ TEST G4XYZ IO91"));
    QVERIFY(decode.datagram);
    QCOMPARE(decode.datagram->kind, WsjtxDatagram::Decode);
    QCOMPARE(decode.datagram->message, QString("CQ TEST G4XYZ IO91"));
    QVERIFY(decode.datagram->isNew);

    const QString adif = wsjtx::contestAdif();
    const WsjtxReading logged = readWsjtxDatagram(wsjtx::loggedAdif(adif));
    QVERIFY(logged.datagram);
    QCOMPARE(logged.datagram->kind, WsjtxDatagram::LoggedAdif);
    QCOMPARE(logged.datagram->adif, adif);

    QCOMPARE(readWsjtxDatagram(wsjtx::heartbeat()).datagram->kind, WsjtxDatagram::Heartbeat);
    // A type this program does not know (a WSPR decode, a future one) is read as such, not dropped.
    const WsjtxReading other = readWsjtxDatagram(wsjtx::header(10) + QByteArray(30, 'x'));
    QVERIFY(other.datagram);
    QCOMPARE(other.datagram->kind, WsjtxDatagram::Other);
    QCOMPARE(other.datagram->type, 10u);
    // A null id (0xffffffff) is a text like any other.
    QByteArray nullId = wsjtx::header(6).left(12) + QByteArray("\xff\xff\xff\xff", 4);
    QCOMPARE(readWsjtxDatagram(nullId).datagram->kind, WsjtxDatagram::Close);
}

void TestWsjtxMessage::dropsWhatIsNotAWholeDatagram_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("fault");
    QByteArray wrongMagic = wsjtx::heartbeat();
    wrongMagic[0] = '\x12';
    QTest::newRow("wrong magic") << wrongMagic << "не сообщение WSJT-X";
    QTest::newRow("schema 1") << wsjtx::header(0, "WSJT-X", 1) << "схема 1 не поддерживается";
    QTest::newRow("schema 4") << wsjtx::header(0, "WSJT-X", 4) << "схема 4 не поддерживается";
    QTest::newRow("empty") << QByteArray() << "сообщение обрывается";
    QByteArray absurd = wsjtx::header(12);
    absurd += QByteArray("\x7f\xff\xff\xff", 4) + QByteArray(100, 'a');
    QTest::newRow("absurd length") << absurd << "слишком длинное поле (2147483647 байт)";
    QByteArray past = wsjtx::header(12) + QByteArray("\x00\x00\x01\x00", 4) + QByteArray(10, 'a');
    QTest::newRow("text past the end") << past << "сообщение обрывается";
}

void TestWsjtxMessage::dropsWhatIsNotAWholeDatagram()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, fault);
    const WsjtxReading r = readWsjtxDatagram(bytes);
    QVERIFY(!r.datagram);
    QCOMPARE(r.fault, fault);
}

void TestWsjtxMessage::everyTruncationIsDropped()
{
    // With the bytes of the fields after those read, which may be missing.
    const std::pair<QByteArray, int> datagrams[] = {{wsjtx::status(144174000, "FT8", "G4XYZ", "IO91"), 7},
                                                    {wsjtx::decode("CQ G4XYZ IO91"), 2},
                                                    {wsjtx::loggedAdif(wsjtx::contestAdif()), 0}};
    for (const auto& [whole, unread] : datagrams) {
        QVERIFY(readWsjtxDatagram(whole.first(whole.size() - unread)).datagram);
        for (qsizetype n = 0; n < whole.size() - unread; ++n)
            QVERIFY2(!readWsjtxDatagram(whole.first(n)).datagram, qPrintable(QString::number(n)));
    }
}

void TestWsjtxMessage::writesHighlightCallsignAsDocumented()
{
    const QByteArray bytes =
        wsjtxHighlightCallsign(2, "WSJT-X", "G4XYZ", qRgb(255, 0, 0), std::nullopt, true);
    QByteArray expected = wsjtx::header(13, "WSJT-X", 2) + wsjtx::text("G4XYZ");
    expected += QByteArray::fromHex("01"
                                    "ffff"
                                    "ffff"
                                    "0000"
                                    "0000"
                                    "0000"); // RGB, alpha, red, green, blue, pad
    expected += QByteArray::fromHex("00"
                                    "0000"
                                    "0000"
                                    "0000"
                                    "0000"
                                    "0000"); // invalid: no foreground
    expected += QByteArray::fromHex("01");
    QCOMPARE(bytes.toHex(), expected.toHex());
}

void TestWsjtxMessage::readsTheRecordOfALoggedContact()
{
    const AdifRecord record = readAdifRecord(wsjtx::contestAdif({{"SUBMODE", "FT4"}, {"MODE", "MFSK"}}));
    QVERIFY2(record.isRead(), qPrintable(record.fault));
    QCOMPARE(record.fields.value("CALL"), QString("G4XYZ"));
    QVERIFY(!record.fields.contains("PROGRAMID")); // the header's
    const DigitalContact c = digitalContactOf(record);
    QCOMPARE(c.call, QString("G4XYZ"));
    QCOMPARE(c.locator, QString("IO91WM"));
    QCOMPARE(c.mode, QString("FT4"));
    QCOMPARE(c.sentNumber, QString("002"));
    QCOMPARE(c.receivedNumber, QString("017"));
    QCOMPARE(c.sentReport, QString("57"));
    QCOMPARE(c.receivedReport, QString("55"));
    QCOMPARE(c.utc, QDateTime(QDate(2026, 5, 2), QTime(14, 5, 30), Qt::UTC));
    QCOMPARE(c.frequencyHz, std::optional<qint64>(144360500));
    QCOMPARE(digitalContactLack(c), QString());
    // Lower-case tags, a type indicator, no header, a four-digit time.
    const AdifRecord plain =
        readAdifRecord("<call:5:S>g4xyz<qso_date:8>20260502<time_on:4>1405<mode:3>FT8<eor>");
    QVERIFY(plain.isRead());
    const DigitalContact p = digitalContactOf(plain);
    QCOMPARE(p.call, QString("G4XYZ"));
    QCOMPARE(p.utc, QDateTime(QDate(2026, 5, 2), QTime(14, 5), Qt::UTC));
    QCOMPARE(p.mode, QString("FT8"));
}

void TestWsjtxMessage::takesTheModeAsTheLogNamesIt_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("submode");
    QTest::addColumn<QString>("logged");
    QTest::newRow("FT8") << "FT8" << QString() << "FT8";
    QTest::newRow("MSK144") << "MSK144" << QString() << "MSK144";
    QTest::newRow("MFSK/FT4") << "MFSK"
                              << "FT4"
                              << "FT4";
    QTest::newRow("MFSK/Q65") << "MFSK"
                              << "Q65"
                              << "Q65";
    QTest::newRow("lower-case MFSK/Q65") << "mfsk"
                                         << "q65"
                                         << "Q65";
    QTest::newRow("SSB/USB") << "SSB"
                             << "USB"
                             << "SSB";
}

void TestWsjtxMessage::takesTheModeAsTheLogNamesIt()
{
    QFETCH(QString, mode);
    QFETCH(QString, submode);
    QFETCH(QString, logged);
    const AdifRecord record = readAdifRecord(wsjtx::contestAdif({{"MODE", mode}, {"SUBMODE", submode}}));
    QVERIFY(record.isRead());
    QCOMPARE(digitalContactOf(record).mode, logged);
}

void TestWsjtxMessage::refusesHostileRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fault");
    QTest::newRow("length past the end") << "<CALL:500>G4XYZ<EOR>"
                                         << "поле CALL обрывается";
    QTest::newRow("huge length") << "<CALL:99999999999999999999>G4XYZ<EOR>"
                                 << "поле \"CALL\" не читается";
    QTest::newRow("negative length") << "<CALL:-3>G4XYZ<EOR>"
                                     << "поле \"CALL\" не читается";
    QTest::newRow("no length") << "<CALL>G4XYZ<EOR>"
                               << "поле \"CALL\" не читается";
    QTest::newRow("twice") << "<CALL:5>G4XYZ<CALL:5>G4ABC<EOR>"
                           << "поле CALL дважды";
    QTest::newRow("no end of record") << "<CALL:5>G4XYZ"
                                      << "запись без <EOR>";
    QTest::newRow("no closing bracket") << "<CALL:5 G4XYZ"
                                        << "поле без \">\"";
    QTest::newRow("empty") << ""
                           << "запись без <EOR>";
}

void TestWsjtxMessage::refusesHostileRecords()
{
    QFETCH(QString, text);
    QFETCH(QString, fault);
    const AdifRecord record = readAdifRecord(text);
    QCOMPARE(record.fault, fault);
    QVERIFY(record.fields.isEmpty());
}

void TestWsjtxMessage::saysWhatAContactLacks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("lack");
    QTest::newRow("no serials") << "SRX" << QString() << "нет контрольных номеров (режим EU VHF в WSJT-X)";
    QTest::newRow("four-character grid") << "GRIDSQUARE"
                                         << "IO91"
                                         << "нет локатора из шести знаков";
    QTest::newRow("no grid") << "GRIDSQUARE" << QString() << "нет локатора из шести знаков";
    QTest::newRow("bad call") << "CALL"
                              << "G4;XYZ"
                              << "позывной \"G4;XYZ\" не читается";
    QTest::newRow("bad date") << "QSO_DATE"
                              << "20261345"
                              << "нет даты и времени связи";
    QTest::newRow("bad serial") << "STX"
                                << "2a"
                                << "номера \"2a\" и \"017\" не читаются";
    QTest::newRow("no frequency") << "FREQ" << QString() << "нет частоты";
    QTest::newRow("eight-character grid") << "GRIDSQUARE"
                                          << "IO91WM12"
                                          << "";
}

void TestWsjtxMessage::saysWhatAContactLacks()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, lack);
    const AdifRecord record = readAdifRecord(wsjtx::contestAdif({{field, value}}));
    QVERIFY(record.isRead());
    QCOMPARE(digitalContactLack(digitalContactOf(record)), lack);
}

void TestWsjtxMessage::findsTheSenderOfADecode_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("sender");
    QTest::newRow("CQ") << "CQ G4XYZ IO91"
                        << "G4XYZ";
    QTest::newRow("CQ TEST") << "CQ TEST G4XYZ IO91"
                             << "G4XYZ";
    QTest::newRow("answer") << "UA3ABC G4XYZ R-05"
                            << "G4XYZ";
    QTest::newRow("EU VHF exchange, hashed calls") << "<UA3ABC> <G4XYZ/P> 570017 IO91WM"
                                                   << "G4XYZ/P";
    QTest::newRow("free text") << "TNX 73 GL"
                               << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestWsjtxMessage::findsTheSenderOfADecode()
{
    QFETCH(QString, message);
    QFETCH(QString, sender);
    QCOMPARE(wsjtxSender(message), sender);
}

QTEST_GUILESS_MAIN(TestWsjtxMessage)
#include "tst_wsjtxmessage.moc"
