// Any statement text through the dialect translator: it may refuse one (SqlError), never crash.
#include "store/errors.h"
#include "store/jetdialect.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        translateJet(sql);
    } catch (const KovraError&) {
    }
    return 0;
}
