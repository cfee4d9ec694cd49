#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QRgb>
#include <QString>

#include <optional>

// The datagrams of WSJT-X's UDP protocol (and of the programs that speak it), as its network
// message documentation describes them: big-endian, the magic number 0xadbccbda, the schema
// number, the message type and the client's id, then the type's fields in QDataStream form.
// Text ("utf8") is a quint32 byte count and the UTF-8 bytes, 0xffffffff for a null text.
// Nothing here touches a socket: the link hands over what came, and sends what is written here.

inline constexpr quint32 kWsjtxMagic = 0xadbccbda;
// The longest text field read: WSJT-X's longest, a logged ADIF record, is well under a kilobyte.
inline constexpr quint32 kWsjtxLongestText = 16384;

struct WsjtxDatagram
{
    enum Kind { Heartbeat, Status, Decode, Clear, Close, LoggedAdif, Other };
    Kind kind = Other;
    quint32 schema = 0;
    quint32 type = 0;
    QString id; // the client's, e.g. "WSJT-X"

    // Status: the dial frequency, the mode, the DX call and grid the operator is working.
    qint64 dialHz = 0;
    QString mode;
    QString dxCall;
    QString dxGrid;
    // Decode: the decoded message text ("CQ G4XYZ IO91"), and whether it is new (not a replay).
    QString message;
    bool isNew = false;
    // LoggedAdif: the ADIF text of the logged contact, a header and one record.
    QString adif;
};

struct WsjtxReading
{
    std::optional<WsjtxDatagram> datagram;
    QString fault; // why there is none: "неверный признак", "обрывается", ...
};

// One datagram. Schemas 2 and 3 are read (they differ in no field read here); unknown types are
// given as Other, and fields after those read are ignored. A datagram that is truncated, has
// another magic number or schema, or holds a text longer than kWsjtxLongestText gives none.
WsjtxReading readWsjtxDatagram(QByteArrayView bytes);

// The message HighlightCallsign (type 13) for the client `id`, in the given schema: the call in
// those colours in the client's band activity; no colours clear its highlighting. `lastOnly`
// asks for the last decode of the call only.
QByteArray wsjtxHighlightCallsign(quint32 schema, const QString& id, const QString& call,
                                  std::optional<QRgb> background, std::optional<QRgb> foreground,
                                  bool lastOnly);

// The fields of the first ADIF record in a text (after "<EOH>" when the text has a header), by
// upper-case field name. Field lengths are in bytes of the UTF-8 text. A field that runs past the
// text, a length or name that is not sensible, a field given twice or a record without "<EOR>"
// gives none, with the fault.
struct AdifRecord
{
    QHash<QString, QString> fields;
    QString fault;
    bool isRead() const { return fault.isEmpty(); }
};
AdifRecord readAdifRecord(const QString& text);

// A contact as a logged ADIF record gives it, in the log's terms: upper-case call and locator,
// reports and serial numbers as sent, the time in UTC, the frequency in Hz, and the log's mode
// name (the SUBMODE for MODE MFSK: FT4, Q65). What the record lacks stays empty.
struct DigitalContact
{
    QString call;
    QString locator;
    QString sentReport;
    QString sentNumber;
    QString receivedReport;
    QString receivedNumber;
    QDateTime utc; // invalid when the record has no readable QSO_DATE and TIME_ON
    std::optional<qint64> frequencyHz;
    QString mode;
    // The log's band the operator chose for a contact whose frequency is on none of them; empty:
    // the band of the frequency.
    QString band;
};
DigitalContact digitalContactOf(const AdifRecord& record);

// Why a contact cannot be saved as it stands, in the operator's words; empty when it can (as far
// as the record goes: band, mode and repeat are the log's to judge).
QString digitalContactLack(const DigitalContact& contact);

// The call a decoded message comes from: "CQ G4XYZ IO91" and "CQ TEST G4XYZ IO91" give G4XYZ,
// "UA3ABC G4XYZ R-05" gives G4XYZ; empty for messages that name no sender.
QString wsjtxSender(const QString& message);
