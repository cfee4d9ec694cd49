// Any bytes as a call list file: the entries read are calls with valid locators, squares or
// none, and each unread line number lies in the file; the index of the calls, with every other
// call taken out and each added again, finds only calls that hold the part searched for.
#include "onair/calllist.h"
#include "onair/chatreader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<CallListReading> reading = readCallList(bytes);
    if (!reading)
        return 0;
    CallIndex index;
    for (const CallListEntry& entry : reading->entries) {
        if (!looksLikeCall(entry.call) || entry.call != entry.call.toUpper() ||
            (!entry.locator.isEmpty() && entry.locator.size() != 6 && entry.locator.size() != 4))
            std::abort();
        index.add(entry.call);
    }
    for (size_t i = 0; i < reading->entries.size(); i += 2)
        index.remove(reading->entries[i].call);
    for (const CallListEntry& entry : reading->entries)
        index.add(entry.call);
    for (int line : reading->unreadLines) {
        if (line < 1 || line > bytes.count('\n') + bytes.count('\r') + 1)
            std::abort();
    }
    if (!reading->entries.empty()) {
        const QString part = reading->entries.front().call.left(3);
        for (const QString& call : index.find(part, 50)) {
            if (!call.contains(part))
                std::abort();
        }
    }
    return 0;
}
