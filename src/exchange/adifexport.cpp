#include "exchange/adifexport.h"

#include "exchange/codepage.h"
#include "logging/locator.h"
#include "store/daycount.h"

namespace {

constexpr int kModeLength = 15;

} // namespace

QString adifFileName(const QString& chosen)
{
    return chosen.contains(QLatin1String(".adi")) ? chosen : chosen + QStringLiteral(".adi");
}

QString adifMode(const QString& modeName)
{
    QString mode = modeName.left(kModeLength);
    const qsizetype dash = mode.indexOf(QLatin1Char('-'));
    if (dash >= 0)
        mode.truncate(dash);
    const qsizetype slash = mode.indexOf(QLatin1Char('/'));
    if (slash >= 0)
        mode.truncate(slash);
    return mode;
}

QByteArray adifFile(const QString& ownCall, const QString& created, const QList<AdifContact>& contacts,
                    bool* lossy)
{
    const CodePage& ansi = CodePage::named("CP1251");
    QByteArray file;
    auto text = [&](const QString& t) { ansi.append(file, t, lossy); };
    // The length is that of the value as written: one byte per character in CP1251, and a
    // character outside it becomes one "?" even when it took two UTF-16 units.
    auto item = [&](const char* tag, const QString& value) {
        QByteArray bytes;
        ansi.append(bytes, value, lossy);
        file += '<';
        file += tag;
        file += ':';
        file += QByteArray::number(bytes.size());
        file += '>';
        file += bytes;
    };
    text(QStringLiteral("# Kovra log https://kovra-log.example.org\r\n# Created: ") + created +
         QStringLiteral("\r\n#\r\n"));
    item("PROGRAMID", QStringLiteral("Kovra_log"));
    file += "\r\n";
    item("PROGRAMVERSION", QStringLiteral("1.8"));
    file += "\r\n";
    item("ADIF_VER", QStringLiteral("2.0"));
    file += "\r\n<EOH>\r\n";
    for (const AdifContact& c : contacts) {
        const QDateTime at = fromDayCount(c.dateTime);
        item("OPERATOR", ownCall);
        item("CALL", c.call);
        item("QSO_DATE", at.toString(QStringLiteral("yyyyMMdd")));
        item("TIME_ON", at.toString(QStringLiteral("HHmm")));
        item("FREQ",
             c.frequencyMHz ? QString::number(*c.frequencyMHz, 'f', 6) : QString::number(c.frequency));
        // ADIF has FT4 as a submode of MFSK only; FT8, MSK144 and Q65 are modes of their own.
        if (const QString mode = adifMode(c.modeName);
            mode.compare(QLatin1String("FT4"), Qt::CaseInsensitive) == 0) {
            item("MODE", QStringLiteral("MFSK"));
            item("SUBMODE", QStringLiteral("FT4"));
        } else {
            item("MODE", mode);
        }
        item("RST_SENT", c.sentReport);
        item("RST_RCVD", c.receivedReport);
        item("QTH", c.locator);
        QString square = c.locator;
        if (LocatorIsValid(square))
            item("GRIDSQUARE", c.locator); // a reader refuses anything but a locator here
        file += "<EOR>\r\n";
    }
    return file;
}
