// What the shared log's server sends, as it comes: a contact's row (cells split by 0x1f, a
// cell of 0x1e alone is NULL) and a contest's band list. A row that is not what the columns
// must hold, or holds a value no contact has, is refused with the reason, never half taken; a
// taken one keeps the kinds the log's columns hold.
#include "sharing/sharedlog.h"
#include "sharing/sharedserver.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    PgRow row;
    for (const QString& cell : text.split(QChar(0x1f)))
        row.push_back(cell == QString(QChar(0x1e)) ? std::nullopt : std::optional<QString>(cell));
    QString refusal;
    if (const std::optional<ContactChange> change = contactChangeFromRow(row, &refusal)) {
        for (size_t i = 0; i < kSharedFields.size(); ++i) {
            const DbValue& v = change->fields[i];
            if (!v.isNull() && v.kind() != kSharedFields[i].kind)
                std::abort();
            // Nothing a contact cannot have is ever taken.
            if (!v.isNull() && v.kind() != DbValue::Kind::Text && !std::isfinite(v.toDouble()))
                std::abort();
        }
        const DbValue& distance = change->fields[kDistanceField];
        const DbValue& frequency = change->fields[kFrequencyField];
        if ((!distance.isNull() && distance.toDouble() < 0) ||
            (!frequency.isNull() && frequency.toDouble() <= 0))
            std::abort();
    } else if (refusal.isEmpty()) {
        std::abort(); // a row refused says why
    }
    bandDifferences(QStringLiteral("144:1;432:2;1300:3"), text);
    return 0;
}
