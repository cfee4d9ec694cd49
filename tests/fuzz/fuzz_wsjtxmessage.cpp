// Any bytes as a datagram from WSJT-X, and as the ADIF text of a logged contact: the reader
// gives a datagram whose texts are within their limits or a fault, and never both; the record
// reader gives sensible fields or a fault; the contact read from them is judged without a fault.
#include "station/wsjtxmessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkRecord(const QString& text)
{
    const AdifRecord record = readAdifRecord(text);
    if (record.isRead() == !record.fault.isEmpty() || (!record.isRead() && !record.fields.isEmpty()) ||
        record.fields.size() > 200)
        std::abort();
    for (auto it = record.fields.cbegin(); it != record.fields.cend(); ++it) {
        if (it.key().isEmpty() || it.key() != it.key().toUpper() || it.value().toUtf8().size() > 4096)
            std::abort();
    }
    const DigitalContact contact = digitalContactOf(record);
    if (contact.frequencyHz && *contact.frequencyHz <= 0)
        std::abort();
    if (!contact.locator.isEmpty() && contact.locator.size() != 6)
        std::abort();
    if (digitalContactLack(contact).isEmpty() && (contact.call.isEmpty() || !contact.utc.isValid()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const WsjtxReading reading = readWsjtxDatagram(bytes);
    if (reading.datagram.has_value() == !reading.fault.isEmpty())
        std::abort();
    if (reading.datagram) {
        const WsjtxDatagram& d = *reading.datagram;
        for (const QString* text : {&d.id, &d.mode, &d.dxCall, &d.dxGrid, &d.message, &d.adif}) {
            if (text->size() > qsizetype(kWsjtxLongestText))
                std::abort();
        }
        if (d.dialHz < 0 || (d.schema != 2 && d.schema != 3))
            std::abort();
        const QString sender = wsjtxSender(d.message);
        if (!sender.isEmpty() && !d.message.toUpper().contains(sender))
            std::abort();
        checkRecord(d.adif);
        // What is written back to the client reads as its own type, for the same client.
        const auto back =
            readWsjtxDatagram(wsjtxHighlightCallsign(d.schema, d.id, sender, 0xffff0000, {}, true));
        if (!back.datagram || back.datagram->type != 13 || back.datagram->id != d.id)
            std::abort();
    }
    checkRecord(QString::fromUtf8(bytes));
    return 0;
}
