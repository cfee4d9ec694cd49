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

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

std::optional<int> digits(QStringView field, qsizetype from, qsizetype count)
{
    if (field.size() < from + count)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isAsciiDigit(field[i]))
            return std::nullopt;
        value = value * 10 + (field[i].unicode() - u'0');
    }
    return value;
}

std::optional<qint64> number(const QString& field)
{
    bool ok = false;
    const qint64 value = field.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

qsizetype leadingDigits(QStringView field)
{
    qsizetype count = 0;
    while (count < field.size() && isAsciiDigit(field[count]))
        ++count;
    return count;
}

// Six digits yymmdd of the years 2000 to 2099, as the format has it, or eight yyyymmdd as
// some loggers write it; eight digits whose year begins with neither 19 nor 20 are no date.
QDate dateOf(QStringView field)
{
    if (field.size() == 8 && leadingDigits(field) == 8) {
        const int century = *digits(field, 0, 2);
        if (century != 19 && century != 20)
            return {};
        return QDate(*digits(field, 0, 4), *digits(field, 4, 2), *digits(field, 6, 2));
    }
    const auto year = digits(field, 0, 2), month = digits(field, 2, 2), day = digits(field, 4, 2);
    if (!year || !month || !day)
        return {};
    return QDate(2000 + *year, *month, *day);
}

// A serial as written, or its digits when marks that are no letter or digit follow them
// ("012/"): a person reads the number and so does the viewer.
std::optional<qint64> serialOf(const QString& field)
{
    if (const auto value = number(field))
        return value;
    const qsizetype count = leadingDigits(field);
    if (count == 0)
        return std::nullopt;
    for (const QChar c : QStringView(field).mid(count)) {
        if (c.isLetterOrNumber())
            return std::nullopt;
    }
    return number(field.left(count));
}

// Whether digits are a signal report: readability 1-5, strength 1-9 and, for CW, tone 1-9.
bool isReport(QStringView text)
{
    if (text.size() != 2 && text.size() != 3)
        return false;
    if (text[0] < QLatin1Char('1') || text[0] > QLatin1Char('5'))
        return false;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('1') || text[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

struct ReportAndSerial
{
    qint64 report;
    qint64 serial;
};

// Report and serial written in one field with the serial field left empty ("59001;;"). The
// digits are a report of 2 (RS) or 3 (RST) digits followed by a serial of 3 or 4 digits.
// Five digits split only as 2+3 and seven only as 3+4; six split as 3+3 or as 2+4 unless
// the third digit cannot be a tone (0). Where both fit, the mode decides: CW (2) takes an
// RST, SSB, AM and FM (1, 5, 6) an RS; with no mode or another one the line stays unread,
// as a wrong serial would be worse than a line reported.
std::optional<ReportAndSerial> splitReportAndSerial(QStringView text, qint64 mode)
{
    if (leadingDigits(text) != text.size() || text.size() < 5 || text.size() > 7)
        return std::nullopt;
    QList<qsizetype> fits;
    for (const qsizetype reportLength : {2, 3}) {
        const qsizetype serialLength = text.size() - reportLength;
        if ((serialLength == 3 || serialLength == 4) && isReport(text.first(reportLength)))
            fits << reportLength;
    }
    if (fits.size() == 2) {
        if (mode == 2)
            fits = {3};
        else if (mode == 1 || mode == 5 || mode == 6)
            fits = {2};
        else
            return std::nullopt;
    }
    if (fits.isEmpty())
        return std::nullopt;
    // Five digits that begin with an RST may as well be an RST and a serial of two digits;
    // only a phone mode says the report has two.
    const bool phone = mode == 1 || mode == 5 || mode == 6;
    if (fits.first() == 2 && !phone && isReport(text.first(3)))
        return std::nullopt;
    return ReportAndSerial{*digits(text, 0, fits.first()),
                           *digits(text, fits.first(), text.size() - fits.first())};
}

std::optional<ReportAndSerial> reportAndSerialOf(const QString& report, const QString& serial, qint64 mode)
{
    if (serial.isEmpty()) {
        if (const auto split = splitReportAndSerial(report, mode))
            return split;
    }
    const auto reportValue = number(report), serialValue = serialOf(serial);
    if (!reportValue || !serialValue)
        return std::nullopt;
    return ReportAndSerial{*reportValue, *serialValue};
}

// Letter, letter, digit, digit, letter, letter: a locator as written, right or mistyped (the
// locator field is not checked either; the distance tells).
bool hasLocatorShape(QStringView text)
{
    auto letter = [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); };
    return text.size() == 6 && letter(text[0]) && letter(text[1]) && isAsciiDigit(text[2]) &&
           isAsciiDigit(text[3]) && letter(text[4]) && letter(text[5]);
}

// A line of separators and blanks only is an empty record some loggers leave, not a contact.
bool isBlankRecord(const QString& line)
{
    for (const QChar c : line) {
        if (!c.isSpace() && c != QLatin1Char(';'))
            return false;
    }
    return true;
}

std::optional<EdiReadContact> contactOf(const QString& line)
{
    QStringList fields = line.split(QLatin1Char(';'));
    if (line.endsWith(QLatin1Char(';')))
        fields.removeLast(); // a ";" at the very end adds no field
    if (fields.size() < kLeastFields)
        return std::nullopt;
    for (QString& field : fields)
        field = field.trimmed();
    const QDate date = dateOf(fields[0]);
    const auto hour = digits(fields[1], 0, 2), minute = digits(fields[1], 2, 2);
    if (!date.isValid() || !hour || !minute)
        return std::nullopt;
    const QTime time(*hour, *minute);
    if (!time.isValid())
        return std::nullopt;
    const auto mode = fields[3].isEmpty() ? std::optional<qint64>(0) : number(fields[3]); // blank: no mode
    if (!mode)
        return std::nullopt;
    QString locator = fields[9].toUpper();
    QString receivedSerial = fields[7];
    // The locator glued to the serial, its own field left empty ("020 KN33GY;;").
    const qsizetype blank = receivedSerial.indexOf(QLatin1Char(' '));
    if (locator.isEmpty() && blank > 0) {
        const QString glued = receivedSerial.mid(blank + 1).trimmed().toUpper();
        if (hasLocatorShape(glued) && leadingDigits(receivedSerial) == blank) {
            locator = glued;
            receivedSerial.truncate(blank);
        }
    }
    const auto sent = reportAndSerialOf(fields[4], fields[5], *mode);
    const auto received = reportAndSerialOf(fields[6], receivedSerial, *mode);
    if (!sent || !received)
        return std::nullopt;
    return EdiReadContact{toDayCount(date, time), fields[2],    locator,          *mode,
                          sent->report,           sent->serial, received->report, received->serial};
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
        if (isBlankRecord(line) || line.startsWith(QLatin1Char('[')))
            continue;
        if (auto contact = contactOf(line)) {
            contact->line = int(i + 1);
            reading.contacts << *contact;
        } else
            reading.unreadLines << int(i + 1);
    }
    return reading;
}
