#include "station/wsjtxmessage.h"

#include "logging/locator.h"

#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// Reads the big-endian fields of one datagram; the first read past the end, or a text that is
// not sensible, stops every later read.
class FieldReader
{
public:
    explicit FieldReader(QByteArrayView bytes) : m_bytes(bytes) {}

    template <typename T> T number()
    {
        if (!take(sizeof(T)))
            return T{};
        return qFromBigEndian<T>(m_bytes.data() + m_at - qsizetype(sizeof(T)));
    }
    bool boolean() { return number<quint8>() != 0; }
    void skip(qsizetype n) { take(n); }

    QString text()
    {
        const quint32 size = number<quint32>();
        if (!m_fault.isEmpty() || size == 0xffffffffu)
            return QString();
        if (size > kWsjtxLongestText) {
            m_fault = QStringLiteral("слишком длинное поле (%1 байт)").arg(size);
            return QString();
        }
        if (!take(size))
            return QString();
        return QString::fromUtf8(m_bytes.sliced(m_at - qsizetype(size), qsizetype(size)));
    }

    const QString& fault() const { return m_fault; }

private:
    bool take(qsizetype n)
    {
        if (!m_fault.isEmpty())
            return false;
        if (m_bytes.size() - m_at < n) {
            m_fault = QStringLiteral("сообщение обрывается");
            return false;
        }
        m_at += n;
        return true;
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    QString m_fault;
};

void appendNumber(QByteArray& out, auto value)
{
    char bytes[sizeof(value)];
    qToBigEndian(value, bytes);
    out.append(bytes, qsizetype(sizeof(value)));
}

void appendText(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    appendNumber(out, quint32(utf8.size()));
    out += utf8;
}

// A QColor as QDataStream writes it: its colour model (0 invalid, 1 RGB), alpha, red, green, blue, each
// in 16 bits, and a padding word.
void appendColour(QByteArray& out, std::optional<QRgb> colour)
{
    appendNumber(out, qint8(colour ? 1 : 0));
    const QRgb c = colour.value_or(0);
    for (int component : {colour ? 255 : 0, qRed(c), qGreen(c), qBlue(c)})
        appendNumber(out, quint16(component * 0x101));
    appendNumber(out, quint16(0));
}

bool looksLikeCall(const QString& word)
{
    static const QRegularExpression call(QStringLiteral("^(?=.*[0-9])(?=.*[A-Z])[A-Z0-9/]{3,13}$"));
    return call.match(word).hasMatch();
}

} // namespace

WsjtxReading readWsjtxDatagram(QByteArrayView bytes)
{
    WsjtxReading reading;
    FieldReader in(bytes);
    const quint32 magic = in.number<quint32>();
    if (in.fault().isEmpty() && magic != kWsjtxMagic) {
        reading.fault = QStringLiteral("не сообщение WSJT-X");
        return reading;
    }
    WsjtxDatagram d;
    d.schema = in.number<quint32>();
    if (in.fault().isEmpty() && d.schema != 2 && d.schema != 3) {
        reading.fault = QStringLiteral("схема %1 не поддерживается").arg(d.schema);
        return reading;
    }
    d.type = in.number<quint32>();
    d.id = in.text();
    switch (d.type) {
    case 0:
        d.kind = WsjtxDatagram::Heartbeat;
        break;
    case 1:
        d.kind = WsjtxDatagram::Status;
        d.dialHz = qint64(std::min<quint64>(in.number<quint64>(), quint64(1) << 62));
        d.mode = in.text();
        d.dxCall = in.text();
        in.text();  // report
        in.text();  // Tx mode
        in.skip(3); // Tx enabled, transmitting, decoding
        in.skip(8); // Rx and Tx audio frequency
        in.text();  // DE call
        in.text();  // DE grid
        d.dxGrid = in.text();
        break;
    case 2:
        d.kind = WsjtxDatagram::Decode;
        d.isNew = in.boolean();
        in.skip(4 + 4 + 8 + 4); // time, SNR, time offset, audio frequency
        d.mode = in.text();
        d.message = in.text();
        break;
    case 3:
        d.kind = WsjtxDatagram::Clear;
        break;
    case 6:
        d.kind = WsjtxDatagram::Close;
        break;
    case 12:
        d.kind = WsjtxDatagram::LoggedAdif;
        d.adif = in.text();
        break;
    default:
        d.kind = WsjtxDatagram::Other;
        break;
    }
    if (!in.fault().isEmpty()) {
        reading.fault = in.fault();
        return reading;
    }
    reading.datagram = std::move(d);
    return reading;
}

QByteArray wsjtxHighlightCallsign(quint32 schema, const QString& id, const QString& call,
                                  std::optional<QRgb> background, std::optional<QRgb> foreground,
                                  bool lastOnly)
{
    QByteArray out;
    appendNumber(out, kWsjtxMagic);
    appendNumber(out, schema);
    appendNumber(out, quint32(13));
    appendText(out, id);
    appendText(out, call);
    appendColour(out, background);
    appendColour(out, foreground);
    appendNumber(out, quint8(lastOnly ? 1 : 0));
    return out;
}

AdifRecord readAdifRecord(const QString& text)
{
    AdifRecord record;
    const QByteArray bytes = text.toUtf8();
    // A header's fields end at "<EOH>"; a text without one is a record from its start. Text
    // between fields (the header's free text, line ends) is passed over.
    qsizetype at = 0;
    constexpr int kMostFields = 200;
    constexpr qsizetype kLongestName = 64;
    constexpr qsizetype kLongestValue = 4096;
    while (true) {
        const qsizetype open = bytes.indexOf('<', at);
        if (open < 0) {
            record.fault = QStringLiteral("запись без <EOR>");
            break;
        }
        const qsizetype close = bytes.indexOf('>', open);
        if (close < 0 || close - open - 1 > kLongestName + 12) {
            record.fault = QStringLiteral("поле без \">\"");
            break;
        }
        const QList<QByteArray> parts = bytes.sliced(open + 1, close - open - 1).split(':');
        const QString name = QString::fromLatin1(parts[0]).trimmed().toUpper();
        if (name == QLatin1String("EOR") && parts.size() == 1)
            break;
        if (name == QLatin1String("EOH") && parts.size() == 1) {
            record.fields.clear(); // what came before was a header
            at = close + 1;
            continue;
        }
        bool numeric = false;
        const qsizetype length = parts.size() >= 2 ? parts[1].trimmed().toLongLong(&numeric) : -1;
        if (name.isEmpty() || name.size() > kLongestName || parts.size() > 3 || !numeric || length < 0 ||
            length > kLongestValue) {
            record.fault = QStringLiteral("поле \"%1\" не читается").arg(name.left(kLongestName));
            break;
        }
        if (length > bytes.size() - close - 1) {
            record.fault = QStringLiteral("поле %1 обрывается").arg(name);
            break;
        }
        if (record.fields.contains(name)) {
            record.fault = QStringLiteral("поле %1 дважды").arg(name);
            break;
        }
        if (record.fields.size() >= kMostFields) {
            record.fault = QStringLiteral("слишком много полей");
            break;
        }
        record.fields.insert(name, QString::fromUtf8(bytes.sliced(close + 1, length)));
        at = close + 1 + length;
    }
    if (!record.isRead())
        record.fields.clear();
    return record;
}

DigitalContact digitalContactOf(const AdifRecord& record)
{
    DigitalContact c;
    const auto field = [&](const char* name) { return record.fields.value(QLatin1String(name)).trimmed(); };
    c.call = field("CALL").toUpper();
    QString locator = field("GRIDSQUARE").left(6).toUpper();
    if (LocatorIsValid(locator))
        c.locator = locator;
    c.sentReport = field("RST_SENT");
    c.receivedReport = field("RST_RCVD");
    // WSJT-X numbers its own serials: STX is what the other station received from us.
    c.sentNumber = field("STX");
    c.receivedNumber = field("SRX");
    const QDate date = QDate::fromString(field("QSO_DATE"), QStringLiteral("yyyyMMdd"));
    const QString timeText = field("TIME_ON");
    const QTime time =
        QTime::fromString(timeText, timeText.size() == 4 ? QStringLiteral("HHmm") : QStringLiteral("HHmmss"));
    if (date.isValid() && time.isValid())
        c.utc = QDateTime(date, time, Qt::UTC);
    bool numeric = false;
    const double mhz = field("FREQ").toDouble(&numeric);
    if (numeric && std::isfinite(mhz) && mhz > 0 && mhz < 1e6)
        c.frequencyHz = qint64(std::llround(mhz * 1e6));
    // ADIF files FT4, Q65 and the like under MODE MFSK, naming the mode itself in SUBMODE; other
    // modes' submodes (SSB's USB) are not modes of the log.
    const QString mode = field("MODE").toUpper();
    const QString submode = field("SUBMODE").toUpper();
    c.mode = mode == QLatin1String("MFSK") && !submode.isEmpty() ? submode : mode;
    return c;
}

QString digitalContactLack(const DigitalContact& c)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,4}$"));
    static const QRegularExpression report(QStringLiteral("^[+-]?[0-9]{1,3}$"));
    if (!looksLikeCall(c.call))
        return c.call.isEmpty() ? QStringLiteral("нет позывного")
                                : QStringLiteral("позывной \"%1\" не читается").arg(c.call.left(20));
    if (!c.utc.isValid())
        return QStringLiteral("нет даты и времени связи");
    if (c.locator.isEmpty())
        return QStringLiteral("нет локатора из шести знаков");
    if (c.sentNumber.isEmpty() || c.receivedNumber.isEmpty())
        return QStringLiteral("нет контрольных номеров (режим EU VHF в WSJT-X)");
    if (!number.match(c.sentNumber).hasMatch() || !number.match(c.receivedNumber).hasMatch())
        return QStringLiteral("номера \"%1\" и \"%2\" не читаются")
            .arg(c.sentNumber.left(8), c.receivedNumber.left(8));
    if (!report.match(c.sentReport).hasMatch() || !report.match(c.receivedReport).hasMatch())
        return QStringLiteral("рапорты \"%1\" и \"%2\" не читаются")
            .arg(c.sentReport.left(8), c.receivedReport.left(8));
    if (!c.frequencyHz && c.band.isEmpty())
        return QStringLiteral("нет частоты");
    if (c.mode.isEmpty())
        return QStringLiteral("нет вида работы");
    return QString();
}

QString wsjtxSender(const QString& message)
{
    QStringList words = message.toUpper().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString& w : words) {
        if (w.startsWith(QLatin1Char('<')) && w.endsWith(QLatin1Char('>')))
            w = w.mid(1, w.size() - 2); // a call sent as a hash, shown as WSJT-X last knew it
    }
    if (words.isEmpty())
        return QString();
    if (words[0] == QLatin1String("CQ") || words[0] == QLatin1String("QRZ")) {
        for (qsizetype i = 1; i < words.size() && i <= 2; ++i) {
            if (looksLikeCall(words[i]))
                return words[i];
        }
        return QString();
    }
    return words.size() >= 2 && looksLikeCall(words[1]) ? words[1] : QString();
}
