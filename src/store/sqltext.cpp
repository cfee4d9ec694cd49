#include "store/sqltext.h"

#include "store/daycount.h"

#include <QRegularExpression>

QString CommaToPoint(const QString& text)
{
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma < 1)
        return text;
    QString result = text;
    result[comma] = QLatin1Char('.');
    return result;
}

QString SqlDateLiteral(double dayCount)
{
    const QDateTime dt = fromDayCount(dayCount);
    return QLatin1Char('#') + dt.toString(QStringLiteral("MM/dd/yyyy HH.mm.ss")) + QLatin1Char('#');
}

QString sqlQuote(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString sqlNumber(double value)
{
    return QString::number(value, 'g', 15);
}

bool isSqlNumberText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d+)?|\\.\\d+)$"));
    return number.match(text).hasMatch();
}
