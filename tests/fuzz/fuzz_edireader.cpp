// Any bytes as an EDI file for the viewer and the import: read, or refused as no text; every
// contact read holds a valid date, and the import makes of each one contact to save, with a
// valid date and time, on the file's band and a mode of the log.
#include "exchange/ediimport.h"
#include "exchange/edireader.h"
#include "store/daycount.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> text = decodeEdiText(bytes);
    if (!text)
        return 0;
    const EdiReading reading = readEdiText(*text);
    for (const EdiReadContact& c : reading.contacts) {
        if (!dayCountDate(c.dateTime).isValid())
            std::abort();
    }
    static const QList<LogBand> bands = {{144, QStringLiteral("144 MHz")}, {1300, QStringLiteral("1,3 GHz")}};
    static const QHash<qint64, QString> modes = {{0, QStringLiteral("-")}, {1, QStringLiteral("SSB")}};
    const qint32 band = bandNamedBy(reading.band, bands);
    if (band != 0 && band != 144 && band != 1300)
        std::abort();
    const QList<ContactFields> fields = importedFields(reading, QStringLiteral("144 MHz"), modes);
    if (fields.size() != reading.contacts.size())
        std::abort();
    for (const ContactFields& f : fields) {
        if (!f.date.isValid() || !f.time.isValid() || f.time.second() != 0 ||
            f.band != QStringLiteral("144 MHz") || f.mode.isEmpty())
            std::abort();
    }
    return 0;
}
