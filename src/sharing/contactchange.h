#pragma once

#include "store/dbvalue.h"

#include <QString>

#include <array>
#include <tuple>

// A contact's field as the local log names it and as the server's table does.
struct SharedField
{
    const char* local;
    const char* server;
    const char* serverType;
    DbValue::Kind kind; // what the local log holds in it
};

inline constexpr std::array<SharedField, 13> kSharedFields{{
    {"IdBand", "band", "integer", DbValue::Kind::Integer},
    {"ContestListDateTime", "logged_at", "double precision", DbValue::Kind::DateTime},
    {"ContestListCall", "call", "text", DbValue::Kind::Text},
    {"ContestListQTH", "locator", "text", DbValue::Kind::Text},
    {"IdModulation", "mode", "integer", DbValue::Kind::Integer},
    {"ContestListSendNum", "sent_num", "integer", DbValue::Kind::Integer},
    {"ContestListSendRST", "sent_rst", "integer", DbValue::Kind::Integer},
    {"ContestListReceivedNum", "received_num", "integer", DbValue::Kind::Integer},
    {"ContestListReceivedRST", "received_rst", "integer", DbValue::Kind::Integer},
    {"ContestListDistance", "distance", "double precision", DbValue::Kind::Double},
    {"ContestListAzimut", "azimuth", "integer", DbValue::Kind::Integer},
    {"ContestListResult", "points", "integer", DbValue::Kind::Integer},
    {"ContestListFrequency", "frequency", "double precision", DbValue::Kind::Double},
}};
inline constexpr int kBandField = 0;
inline constexpr int kSentNumberField = 5;

// One version of one contact of a shared contest, as it travels between the positions: made
// at a position (and kept in its outbox until the server has it) or pulled from the server.
// A deleted contact travels as a tombstone, its fields as they were.
struct ContactChange
{
    QString uuid;
    QString contest; // the shared contest's id
    qint64 version = 0;
    qint64 editedMs = 0; // when this version was made, ms since 1970 UTC
    QString editedBy;    // the position that made it
    QString position;    // the position that logged the contact
    QString positionName;
    bool deleted = false;
    qint64 change = 0; // the server's change sequence, for pulled changes
    std::array<DbValue, kSharedFields.size()> fields;

    // Of two versions of a contact, the one that stays everywhere: the higher version, then
    // the later edit, then the greater position id, so every position picks the same one.
    auto order() const { return std::make_tuple(version, editedMs, editedBy); }
    bool beats(const ContactChange& other) const { return order() > other.order(); }
};
