// Any bytes from a DX cluster, in pieces of any size, and any chat line: the reader gives
// events whose spots are in shape and keeps no more than one line.
#include "logging/locator.h"
#include "onair/chatreader.h"
#include "onair/clusterreader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A locator or a square, as it is.
bool inShape(const QString& locator)
{
    QString copy = locator;
    return (LocatorIsValid(copy) || LocatorSquareIsValid(copy)) && copy == locator;
}

void checkSpot(const ClusterSpot& spot)
{
    if (!std::isfinite(spot.kHz) || spot.kHz <= 0 || !looksLikeCall(spot.call) ||
        !looksLikeCall(spot.spotter) || spot.time.size() != 4 || spot.call != spot.call.toUpper() ||
        (!spot.locator.isEmpty() && !inShape(spot.locator)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses the piece size.
    const size_t piece = data[0] % 64 + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    ClusterReader reader;
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(piece)) {
        for (const ClusterEvent& e : reader.read(bytes.mid(at, qsizetype(piece)))) {
            if (e.text.size() > TelnetLines::kLongestLine || e.text.isEmpty())
                std::abort();
            if (e.kind == ClusterEvent::Spot)
                checkSpot(e.spot);
            if (const std::optional<ClusterSpot> spot =
                    readChatSpot(QStringLiteral("1015"), QStringLiteral("DL1ABC"), e.text))
                checkSpot(*spot);
        }
    }
    return 0;
}
