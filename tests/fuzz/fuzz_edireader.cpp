// Any bytes as an EDI file for the viewer: read, or refused as no text; every contact read
// holds a valid date.
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
    return 0;
}
