#include "exchange/edifile.h"

#include "exchange/codepage.h"
#include "store/daycount.h"

namespace {

const char kAnsi[] = "CP1251";
const char kOem[] = "CP866";

bool isSet(const std::optional<QString>& value)
{
    return value && !value->isEmpty();
}

// The "RName=" line: name;grade short name;year.
EdiLine operatorLine(const QString& key, const EdiOperator& op)
{
    return {key + QLatin1Char('='),
            {{*op.name, true},
             {isSet(op.gradeShortName) ? *op.gradeShortName : QString(), true},
             {op.yearOfBirth ? QString::number(*op.yearOfBirth) : QString(), false}}};
}

// The operator's lines: the operator value, the name parts, the grade code.
void addOperator(QList<EdiLine>& lines, const QString& key, int number, const EdiOperator& op)
{
    if (isSet(op.name)) {
        lines << operatorLine(key, op);
        const QStringList parts = nameParts(*op.name);
        if (parts.size() == 3)
            lines << EdiLine{QStringLiteral("nalOpName%1=").arg(number),
                             {{parts[0], true}, {parts[2], true}, {parts[1], true}}};
    }
    if (op.gradeCode)
        lines << EdiLine{QStringLiteral("nalOpRazr%1=").arg(number),
                         {{QString::number(*op.gradeCode), false}}};
}

} // namespace

QString PadNumber3(qint64 number)
{
    const QString digits = QString::number(number);
    if (digits.size() == 1)
        return QStringLiteral("00") + digits;
    if (digits.size() == 2)
        return QLatin1Char('0') + digits;
    return digits;
}

QStringList nameParts(const QString& name)
{
    QStringList parts = name.split(QLatin1Char(' '));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast(); // a blank at the very end adds no part
    return parts;
}

bool EdiStation::isMultiOperator() const
{
    if (stationType.isEmpty())
        return false;
    const QChar first = stationType.front();
    return first == QLatin1Char('M') || first == QLatin1Char('m');
}

QString EdiLine::text() const
{
    QString line = key;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(';');
        line += fields[i].text;
    }
    return line;
}

QList<EdiLine> ediHeader(const EdiStation& s, const QString& bandName)
{
    QList<EdiLine> lines;
    auto always = [&](const char* key, const QString& value, bool convertible = false) {
        lines << EdiLine{QString::fromLatin1(key), {{value, convertible}}};
    };
    auto whenSet = [&](const char* key, const std::optional<QString>& value, bool convertible = true) {
        if (isSet(value))
            always(key, *value, convertible);
    };
    lines << EdiLine{QStringLiteral("[REG1TEST;1]"), {}};
    always("TName=", s.contestName, true);
    always("TDate=", s.contestStop ? s.contestStop->toString(QStringLiteral("yyyyMMdd")) : QString());
    always("PCall=", s.ownCall);
    always("PWWLo=", s.ownLocator);
    always("PSect=", s.stationType);
    always("PBand=", bandName);
    whenSet("PClub=", s.club);
    addOperator(lines, QStringLiteral("RName"), 1, s.responsible);
    always("RCall=", s.rcall.value_or(QString()));
    whenSet("RCoun=", s.country, false);
    whenSet("RCity=", s.city);
    whenSet("RAdr2=", s.address2);
    whenSet("RPoCo=", s.postCode);
    whenSet("RAdr1=", s.address1);
    whenSet("RPhon=", s.phone);
    whenSet("RHBBS=", s.email);
    if (s.isMultiOperator()) {
        addOperator(lines, QStringLiteral("MOpe1"), 2, s.second);
        addOperator(lines, QStringLiteral("MOpe2"), 3, s.third);
    }
    whenSet("STXEq=", s.transmitter);
    whenSet("SPowe=", s.power);
    whenSet("SRXEq=", s.receiver);
    whenSet("SAnte=", s.antenna);
    lines << EdiLine{
        QStringLiteral("SAntH="),
        {{s.antennaHeight.value_or(QString()), true}, {s.antennaHeight2.value_or(QString()), true}}};
    return lines;
}

QString ediContactLine(const EdiContact& c)
{
    auto padded = [](const QString& number) {
        bool ok = false;
        const qint64 n = number.toLongLong(&ok);
        return ok ? PadNumber3(n) : number;
    };
    // Built in one buffer with the digits by arithmetic: this runs for every contact.
    QString line;
    line.reserve(64 + c.call.size() + c.locator.size());
    auto twoDigits = [&line](int n) {
        line += QChar(u'0' + n / 10 % 10);
        line += QChar(u'0' + n % 10);
    };
    const QDate day = dayCountDate(c.dateTime);
    const QTime time = dayCountTime(c.dateTime);
    twoDigits(day.year() % 100);
    twoDigits(day.month());
    twoDigits(day.day());
    line += QLatin1Char(';');
    twoDigits(time.hour());
    twoDigits(time.minute());
    for (const QString& field :
         {c.call, c.mode, c.sentReport, padded(c.sentNumber), c.receivedReport, padded(c.receivedNumber)}) {
        line += QLatin1Char(';');
        line += field;
    }
    line += QLatin1String(";;");
    line += c.locator;
    line += QLatin1String(";;;;;"); // points and the four marks stay empty
    return line;
}

QByteArray encodeEdiFile(const QList<EdiLine>& header, const QList<EdiContact>& contacts, bool oem,
                         QStringList* changed)
{
    const CodePage& ansi = CodePage::named(kAnsi);
    const CodePage& oemPage = CodePage::named(kOem);
    QByteArray file;
    file.reserve(qsizetype(contacts.size()) * 60 + 1024);
    // Returns whether a character of the line was outside its code page.
    auto encodeLine = [&](const EdiLine& line) {
        bool lossy = false;
        ansi.append(file, line.key, &lossy);
        for (int i = 0; i < line.fields.size(); ++i) {
            if (i > 0)
                file += ';';
            const EdiField& f = line.fields[i];
            (oem && f.convertible ? oemPage : ansi).append(file, f.text, &lossy);
        }
        file += "\r\n";
        return lossy;
    };
    for (const EdiLine& line : header) {
        if (encodeLine(line) && changed)
            changed->append(line.key);
    }
    encodeLine(EdiLine{QStringLiteral("[QSORecords;%1]").arg(contacts.size()), {}});
    for (const EdiContact& c : contacts) {
        bool lossy = false;
        ansi.append(file, ediContactLine(c), &lossy);
        file += "\r\n";
        if (lossy && changed)
            changed->append(QStringLiteral("контакт № %1").arg(c.sentNumber));
    }
    return file;
}
