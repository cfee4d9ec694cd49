#include "platform/localeformat.h"

#include "store/daycount.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

QString shortDateFormat()
{
    return QLocale().dateFormat(QLocale::ShortFormat);
}

QString longTimeFormat()
{
    // Qt's long format names the time zone ("t"); a logged time has none.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return format.trimmed();
}

QString formatDateAndTime(double dayCount)
{
    const QLocale locale;
    return locale.toString(dayCountDate(dayCount), shortDateFormat()) + QLatin1Char(' ') +
           locale.toString(dayCountTime(dayCount), longTimeFormat());
}

QString formatTimeOfDay(double dayCount)
{
    // A span of time reads best with its hours unpadded: 0:05:00.
    QString format = longTimeFormat();
    format.replace(QLatin1String("HH"), QLatin1String("H"));
    const double fraction = std::fabs(dayCount) - std::floor(std::fabs(dayCount));
    return QLocale().toString(dayCountTime(fraction), format);
}

QString formatGeneralNumber(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}
