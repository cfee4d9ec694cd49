// What the shared log's server sends, as it comes: a contact's row (cells split by 0x1f, a
// cell of 0x1e alone is NULL) and a contest's band list. A row that is not what the columns
// must hold is refused, never half taken; a taken one keeps the kinds the log's columns hold.
#include "sharing/sharedlog.h"
#include "sharing/sharedserver.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    PgRow row;
    for (const QString& cell : text.split(QChar(0x1f)))
        row.push_back(cell == QString(QChar(0x1e)) ? std::nullopt : std::optional<QString>(cell));
    if (const std::optional<ContactChange> change = contactChangeFromRow(row)) {
        for (size_t i = 0; i < kSharedFields.size(); ++i) {
            const DbValue& v = change->fields[i];
            if (!v.isNull() && v.kind() != kSharedFields[i].kind)
                std::abort();
        }
    }
    bandDifferences(QStringLiteral("144:1;432:2;1300:3"), text);
    return 0;
}
