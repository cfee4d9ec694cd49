#include "exchange/adifexport.h"

#include "exchange/codepage.h"
#include "logging/locator.h"
#include "store/daycount.h"

#include <algorithm>

namespace {

constexpr int kModeLength = 15;

// The ADIF MODE and SUBMODE of a mode the log names. The digital modes came into ADIF after its
// version 2: FT8 and MSK144 as modes of their own, FT4 and Q65 only as submodes of MFSK.
struct AdifModeItems
{
    QString mode;
    QString submode;    // none when empty
    bool adif3 = false; // defined by ADIF 3 only
};

AdifModeItems adifModeItems(const QString& modeName)
{
    const QString mode = adifMode(modeName);
    for (const char* submode : {"FT4", "Q65"}) {
        if (mode.compare(QLatin1String(submode), Qt::CaseInsensitive) == 0)
            return {QStringLiteral("MFSK"), QString::fromLatin1(submode), true};
    }
    for (const char* own : {"FT8", "MSK144"}) {
        if (mode.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
            return {QString::fromLatin1(own), QString(), true};
    }
    return {mode, QString(), false};
}

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
    // A file of the modes ADIF 2 knows says 2.0 as it always did; one with a digital mode says the
    // ADIF 3 version whose mode table holds them all (SUBMODE, FT8, MSK144 and Q65 mean nothing to
    // a reader of version 2), so a reader that checks values against the version it is told
    // takes them.
    const bool adif3 = std::any_of(contacts.cbegin(), contacts.cend(),
                                   [](const AdifContact& c) { return adifModeItems(c.modeName).adif3; });
    item("ADIF_VER", adif3 ? QStringLiteral("3.1.4") : QStringLiteral("2.0"));
    file += "\r\n<EOH>\r\n";
    for (const AdifContact& c : contacts) {
        const QDateTime at = fromDayCount(c.dateTime);
        item("OPERATOR", ownCall);
        item("CALL", c.call);
        item("QSO_DATE", at.toString(QStringLiteral("yyyyMMdd")));
        item("TIME_ON", at.toString(QStringLiteral("HHmm")));
        item("FREQ",
             c.frequencyMHz ? QString::number(*c.frequencyMHz, 'f', 6) : QString::number(c.frequency));
        const AdifModeItems mode = adifModeItems(c.modeName);
        item("MODE", mode.mode);
        if (!mode.submode.isEmpty())
            item("SUBMODE", mode.submode);
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
