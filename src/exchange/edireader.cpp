#include "exchange/edireader.h"

#include "exchange/codepage.h"
#include "store/daycount.h"

#include <QDate>
#include <QStringDecoder>
#include <QTime>

#include <optional>

namespace {

constexpr int kNameLength = 250;
constexpr int kLeastFields = 10;

// Blanks and control characters off both ends, as the header values are read.
QString trimmedOfControls(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin).toString();
}

// The rest of a line after its first "=", or the whole line without one.
QStringView valueOf(QStringView line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? line : line.mid(equals + 1);
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start); // a line end at the very end adds no line
    return lines;
}

std::optional<int> digits(QStringView field, qsizetype from, qsizetype count)
{
    if (field.size() < from + count)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!field[i].isDigit() || field[i].unicode() > 0x7F)
            return std::nullopt;
        value = value * 10 + (field[i].unicode() - u'0');
    }
    return value;
}

std::optional<qint64> number(const QString& field)
{
    bool ok = false;
    const qint64 value = field.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<EdiReadContact> contactOf(const QString& line)
{
    QStringList fields = line.split(QLatin1Char(';'));
    if (line.endsWith(QLatin1Char(';')))
        fields.removeLast(); // a ";" at the very end adds no field
    if (fields.size() < kLeastFields)
        return std::nullopt;
    const auto year = digits(fields[0], 0, 2), month = digits(fields[0], 2, 2), day = digits(fields[0], 4, 2);
    const auto hour = digits(fields[1], 0, 2), minute = digits(fields[1], 2, 2);
    if (!year || !month || !day || !hour || !minute)
        return std::nullopt;
    const QDate date(2000 + *year, *month, *day);
    const QTime time(*hour, *minute);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const auto mode = number(fields[3]), sentReport = number(fields[4]), sentNumber = number(fields[5]),
               receivedReport = number(fields[6]), receivedNumber = number(fields[7]);
    if (!mode || !sentReport || !sentNumber || !receivedReport || !receivedNumber)
        return std::nullopt;
    return EdiReadContact{toDayCount(date, time), fields[2],      fields[9], *mode, *sentReport, *sentNumber,
                          *receivedReport,        *receivedNumber};
}

} // namespace

std::optional<QString> decodeEdiText(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return std::nullopt;
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(body);
    if (!utf8.hasError())
        return text;
    return CodePage::named("CP1251").decode(body);
}

EdiReading readEdiText(const QString& text)
{
    const QStringList lines = splitLines(text);
    EdiReading reading;
    qsizetype firstContact = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.contains(QLatin1String("PBand")))
            reading.band = trimmedOfControls(valueOf(line));
        if (line.contains(QLatin1String("TName")))
            reading.name = trimmedOfControls(valueOf(line).left(kNameLength));
        if (line.contains(QLatin1String("PCall")))
            reading.call = trimmedOfControls(valueOf(line));
        if (line.contains(QLatin1String("[QSORecords;")))
            firstContact = i + 1;
    }
    for (qsizetype i = firstContact; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('[')))
            continue;
        if (const auto contact = contactOf(line))
            reading.contacts << *contact;
        else
            reading.unreadLines << int(i + 1);
    }
    return reading;
}
