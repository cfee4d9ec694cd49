// Any bytes from a chat server, in pieces of any size, with or without a user list asked
// for: the reader gives events whose fields are in shape and keeps no more than one line.
#include "onair/chatreader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses the piece size, when the list is asked for and whether a line
    // goes out before each piece.
    const size_t piece = data[0] % 64 + 1;
    const bool listing = data[0] & 0x80;
    const bool sending = data[0] & 0x40;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    ChatReader reader;
    reader.setLogin(QStringLiteral("UA3ABC"));
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(piece)) {
        if (sending)
            reader.lineSent();
        if (listing)
            reader.expectStationList();
        for (const ChatEvent& e : reader.read(bytes.mid(at, qsizetype(piece)))) {
            if (e.text.size() > ChatReader::kLongestLine ||
                (e.kind == ChatEvent::ListText && e.text.isEmpty()))
                std::abort();
            if (e.kind == ChatEvent::Station && (e.station.locator.size() != 6 || e.station.call.isEmpty() ||
                                                 e.station.locator != e.station.locator.toUpper()))
                std::abort();
            if (e.kind == ChatEvent::Message && (e.time.size() != 4 || e.call.isEmpty()))
                std::abort();
            if (e.kind == ChatEvent::RoomOffered && (e.room <= 0 || e.text.isEmpty()))
                std::abort();
            if ((e.kind == ChatEvent::Joined || e.kind == ChatEvent::Left) && e.call.isEmpty())
                std::abort();
            if ((e.kind == ChatEvent::Prompt || e.kind == ChatEvent::StationListEnd) &&
                (e.text.isEmpty() || e.text != e.text.trimmed()))
                std::abort();
            namesCall(e.text, e.call);
        }
    }
    return 0;
}
