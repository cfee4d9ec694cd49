#include "exchange/iaruedi.h"

#include "logging/locator.h"
#include "store/daycount.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace {

constexpr double kIaruEarthRadiusKm = 6371.29;
constexpr qsizetype kLongestLine = 75;

// ICAO Doc 9303, the Cyrillic letters of Russian from а to я, in the order of the alphabet.
const char* const kIcaoLetters[] = {"a",  "b",  "v",  "g",    "d",  "e", "zh", "z", "i",  "i", "k",
                                    "l",  "m",  "n",  "o",    "p",  "r", "s",  "t", "u",  "f", "kh",
                                    "ts", "ch", "sh", "shch", "ie", "y", "",   "e", "iu", "ia"};

bool isSet(const std::optional<QString>& value)
{
    return value && !value->isEmpty();
}

// The first number in a text such as "100 Вт" or "12,5 м": the robots want the bare value.
QString firstNumber(const std::optional<QString>& text)
{
    if (!isSet(text))
        return {};
    static const QRegularExpression number(QStringLiteral("\\d+(?:[.,]\\d+)?"));
    QString found = number.match(*text).captured();
    found.replace(QLatin1Char(','), QLatin1Char('.'));
    return found;
}

// The transmitter power in watts, as the format's field holds it, from the personal data's
// "Мощность, Вт": a bare number, or a number with the unit the operator wrote (Вт, кВт, мВт or
// W, kW, mW), converted. None for a text that is no power in a unit known here: a robot would
// otherwise read "1,5 кВт" or "30 dBm" as 1.5 or 30 W.
std::optional<QString> powerWatts(const std::optional<QString>& text)
{
    if (!isSet(text) || text->trimmed().isEmpty())
        return QString();
    static const QRegularExpression power(
        QStringLiteral("^(\\d+(?:[.,]\\d+)?)\\s*(вт|w|квт|kw|мвт|mw)?\\.?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = power.match(text->trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QString number = m.captured(1);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    const QString unit = m.captured(2).toLower();
    double factor = 1;
    if (unit == QStringLiteral("квт") || unit == QLatin1String("kw"))
        factor = 1000;
    else if (unit == QStringLiteral("мвт") || unit == QLatin1String("mw"))
        factor = 0.001;
    return factor == 1 ? number : QString::number(number.toDouble() * factor, 'g', 15);
}

QString upperCaseLetters(const QString& text)
{
    QString upper = text.trimmed();
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}

// Sub-square centre: the locator names the south-west corner of a 5' by 2.5' rectangle.
void centreOf(const QString& locator, double& longitude, double& latitude)
{
    LocatorToLatLon(locator, longitude, latitude);
    longitude += 1.0 / 24.0;
    latitude += 1.0 / 48.0;
}

// The format's locator field holds four or six characters; anything else is left out.
QString writtenLocator(const QString& locator)
{
    static const QRegularExpression shape(QStringLiteral("^[A-X]{2}[0-9]{2}([A-X]{2})?$"));
    const QString upper = upperCaseLetters(locator);
    return shape.match(upper).hasMatch() ? upper : QString();
}

QString contactLine(const IaruScoredContact& scored)
{
    const EdiContact& c = scored.contact;
    auto padded = [](const QString& number) {
        bool ok = false;
        const qint64 n = number.toLongLong(&ok);
        return ok ? PadNumber3(n) : number;
    };
    // The mode code is one digit; a mode the format has no code for is "none of these".
    const QString mode =
        c.mode.isEmpty() || (c.mode.size() == 1 && c.mode[0].isDigit()) ? c.mode : QStringLiteral("0");
    const QDate day = dayCountDate(c.dateTime);
    const QTime time = dayCountTime(c.dateTime);
    const QStringList fields = {day.toString(QStringLiteral("yyMMdd")),
                                time.toString(QStringLiteral("HHmm")),
                                c.call.trimmed(),
                                mode,
                                c.sentReport,
                                padded(c.sentNumber),
                                c.receivedReport,
                                padded(c.receivedNumber),
                                QString(), // received exchange
                                writtenLocator(c.locator),
                                QString::number(scored.points),
                                QString(), // new exchange
                                scored.newSquare ? QStringLiteral("N") : QString(),
                                QString(), // new DXCC
                                scored.duplicate ? QStringLiteral("D") : QString()};
    return fields.join(QLatin1Char(';'));
}

} // namespace

QString icaoTransliterated(QStringView text, bool* lossy)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7F) {
            out += QChar(c);
            continue;
        }
        int index = -1;
        bool capital = false;
        if (c >= u'а' && c <= u'я')
            index = c - u'а';
        else if (c >= u'А' && c <= u'Я')
            index = c - u'А', capital = true;
        else if (c == u'ё' || c == u'Ё')
            index = u'е' - u'а', capital = c == u'Ё';
        if (index < 0) {
            out += QLatin1Char('?');
            if (lossy)
                *lossy = true;
            continue;
        }
        QString latin = QString::fromLatin1(kIcaoLetters[index]);
        if (capital && !latin.isEmpty()) {
            const bool inCapitals =
                (i + 1 < text.size() && text[i + 1].isUpper()) || (i > 0 && text[i - 1].isUpper());
            latin = inCapitals ? latin.toUpper() : latin.left(1).toUpper() + latin.mid(1);
        }
        out += latin;
    }
    return out;
}

QString iaruBandName(qint64 bandMHz, const QString& ownName)
{
    static const QHash<qint64, QString> table = {
        {50, QStringLiteral("50 MHz")},    {70, QStringLiteral("70 MHz")},
        {144, QStringLiteral("144 MHz")},  {432, QStringLiteral("432 MHz")},
        {1300, QStringLiteral("1,3 GHz")}, {2300, QStringLiteral("2,3 GHz")},
        {3400, QStringLiteral("3,4 GHz")}, {5700, QStringLiteral("5,7 GHz")},
        {10000, QStringLiteral("10 GHz")}, {24000, QStringLiteral("24 GHz")},
        {47000, QStringLiteral("47 GHz")}, {76000, QStringLiteral("76 GHz")}};
    return table.value(bandMHz, ownName);
}

std::optional<double> iaruDistanceKm(const QString& own, const QString& other)
{
    QString a = own.trimmed(), b = other.trimmed();
    if (!LocatorIsValid(a) || !LocatorIsValid(b))
        return std::nullopt;
    double lon1 = 0, lat1 = 0, lon2 = 0, lat2 = 0;
    centreOf(a, lon1, lat1);
    centreOf(b, lon2, lat2);
    const double radian = std::numbers::pi / 180.0;
    // The haversine form stays exact for stations a few kilometres apart.
    const double dLat = (lat2 - lat1) * radian, dLon = (lon2 - lon1) * radian;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(lat1 * radian) *
                                                                   std::cos(lat2 * radian) *
                                                                   std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kIaruEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

QList<IaruScoredContact> scoreIaru(const QString& ownLocator, const QList<EdiContact>& contacts,
                                   IaruClaim* claim)
{
    QList<IaruScoredContact> scored;
    scored.reserve(contacts.size());
    for (const EdiContact& c : contacts)
        scored << IaruScoredContact{c};
    // Serials follow no clock once contacts from another computer are imported: the earlier
    // contact is the one that counts, whatever its place in the file.
    QList<qsizetype> byTime(contacts.size());
    std::iota(byTime.begin(), byTime.end(), 0);
    std::stable_sort(byTime.begin(), byTime.end(),
                     [&](qsizetype a, qsizetype b) { return contacts[a].dateTime < contacts[b].dateTime; });
    QSet<QString> calls, squares;
    IaruClaim total;
    for (const qsizetype i : std::as_const(byTime)) {
        const EdiContact& c = contacts[i];
        IaruScoredContact& s = scored[i];
        const QString call = upperCaseLetters(c.call);
        s.duplicate = calls.contains(call);
        calls.insert(call);
        const std::optional<double> km = iaruDistanceKm(ownLocator, c.locator);
        if (!s.duplicate && km) {
            const int wholeKm = int(std::floor(*km));
            s.points = wholeKm + 1;
            const QString square = upperCaseLetters(c.locator).left(4);
            s.newSquare = !squares.contains(square);
            squares.insert(square);
            ++total.validContacts;
            total.points += s.points;
            if (wholeKm > total.bestKm) {
                total.bestKm = wholeKm;
                total.bestCall = c.call.trimmed();
                total.bestLocator = upperCaseLetters(c.locator);
            }
        }
    }
    total.squares = int(squares.size());
    if (claim)
        *claim = total;
    return scored;
}

QByteArray encodeIaruEdiFile(const EdiStation& s, qint64 bandMHz, const QString& bandName,
                             const QList<EdiContact>& contacts, bool checklog, QStringList* changed,
                             QStringList* longLines, QStringList* unreadable)
{
    IaruClaim claim;
    const QList<IaruScoredContact> scored = scoreIaru(s.ownLocator, contacts, &claim);
    auto value = [](const std::optional<QString>& v) { return v.value_or(QString()); };
    auto date = [](const std::optional<QDate>& d) {
        return d ? d->toString(QStringLiteral("yyyyMMdd")) : QString();
    };
    QString section = s.isMultiOperator() ? QStringLiteral("MULTI") : QStringLiteral("SINGLE");
    if (checklog)
        section = QStringLiteral("CHECKLOG");
    const bool multi = s.isMultiOperator();
    const QString points = QString::number(claim.points);
    const QString best = claim.bestKm < 0 ? QString()
                                          : claim.bestCall + QLatin1Char(';') + claim.bestLocator +
                                                QLatin1Char(';') + QString::number(claim.bestKm);
    // Two values or none: the format's field holds both, and the robots refuse one with an
    // empty half. Both TDate dates are the contest's days, so a contest known by one day runs on
    // that day; the heights are above ground and above sea, and one does not stand for the other.
    const QString antennaHeight =
        isSet(s.antennaHeight) && isSet(s.antennaHeight2)
            ? firstNumber(s.antennaHeight) + QLatin1Char(';') + firstNumber(s.antennaHeight2)
            : QString();
    const std::optional<QDate> firstDay = s.contestStart ? s.contestStart : s.contestStop;
    const std::optional<QDate> lastDay = s.contestStop ? s.contestStop : s.contestStart;
    const std::optional<QString> power = powerWatts(s.power);
    if (!power && unreadable)
        unreadable->append(QStringLiteral("SPowe="));
    const std::pair<const char*, QString> header[] = {
        {"TName", s.contestName},
        {"TDate", firstDay ? date(firstDay) + QLatin1Char(';') + date(lastDay) : QString()},
        {"PCall", upperCaseLetters(s.ownCall)},
        {"PWWLo", upperCaseLetters(s.ownLocator)},
        {"PExch", QString()},
        {"PAdr1", QString()},
        {"PAdr2", QString()},
        {"PSect", section},
        {"PBand", iaruBandName(bandMHz, bandName)},
        {"PClub", value(s.club)},
        {"RName", value(s.responsible.name)},
        {"RCall", value(s.rcall)},
        {"RAdr1", value(s.address1)},
        {"RAdr2", value(s.address2)},
        {"RPoCo", value(s.postCode)},
        {"RCity", value(s.city)},
        {"RCoun", value(s.country)},
        {"RPhon", value(s.phone)},
        {"RHBBS", value(s.email)},
        {"MOpe1", multi ? value(s.second.name) : QString()},
        {"MOpe2", multi ? value(s.third.name) : QString()},
        {"STXEq", value(s.transmitter)},
        {"SPowe", power.value_or(QString())},
        {"SRXEq", value(s.receiver)},
        {"SAnte", value(s.antenna)},
        {"SAntH", antennaHeight},
        {"CQSOs", QString::number(claim.validContacts) + QStringLiteral(";1")},
        {"CQSOP", points},
        {"CWWLs", QString::number(claim.squares) + QStringLiteral(";0;1")},
        {"CWWLB", QStringLiteral("0")},
        {"CExcs", QStringLiteral("0;0;1")},
        {"CExcB", QStringLiteral("0")},
        {"CDXCs", QStringLiteral("0;0;1")},
        {"CDXCB", QStringLiteral("0")},
        {"CToSc", points},
        {"CODXC", best}};

    QByteArray file;
    file.reserve(qsizetype(contacts.size()) * 60 + 2048);
    auto write = [&](const QString& line, const QString& where) {
        bool lossy = false;
        const QString ascii = icaoTransliterated(line, &lossy);
        file += ascii.toLatin1();
        file += "\r\n";
        if (lossy && changed)
            changed->append(where);
        return ascii.size();
    };
    write(QStringLiteral("[REG1TEST;1]"), QString());
    for (const auto& [key, text] : header) {
        const QString keyText = QString::fromLatin1(key) + QLatin1Char('=');
        if (write(keyText + text, keyText) > kLongestLine && longLines)
            longLines->append(keyText);
    }
    write(QStringLiteral("[Remarks]"), QString());
    write(QStringLiteral("[QSORecords;%1]").arg(scored.size()), QString());
    for (const IaruScoredContact& c : scored)
        write(contactLine(c), QStringLiteral("контакт № %1").arg(c.contact.sentNumber));
    write(QStringLiteral("[END;Kovra log %1]").arg(QStringLiteral(KOVRA_VERSION)), QString());
    return file;
}
