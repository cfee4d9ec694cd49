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
    const char* title;  // as the operator reads it in a message (UTF-8)
};

inline constexpr std::array<SharedField, 13> kSharedFields{{
    {"IdBand", "band", "integer", DbValue::Kind::Integer, "диапазон"},
    {"ContestListDateTime", "logged_at", "double precision", DbValue::Kind::DateTime, "время"},
    {"ContestListCall", "call", "text", DbValue::Kind::Text, "позывной"},
    {"ContestListQTH", "locator", "text", DbValue::Kind::Text, "локатор"},
    {"IdModulation", "mode", "integer", DbValue::Kind::Integer, "вид работы"},
    {"ContestListSendNum", "sent_num", "integer", DbValue::Kind::Integer, "переданный номер"},
    {"ContestListSendRST", "sent_rst", "integer", DbValue::Kind::Integer, "переданный рапорт"},
    {"ContestListReceivedNum", "received_num", "integer", DbValue::Kind::Integer, "принятый номер"},
    {"ContestListReceivedRST", "received_rst", "integer", DbValue::Kind::Integer, "принятый рапорт"},
    {"ContestListDistance", "distance", "double precision", DbValue::Kind::Double, "расстояние"},
    {"ContestListAzimut", "azimuth", "integer", DbValue::Kind::Integer, "азимут"},
    {"ContestListResult", "points", "integer", DbValue::Kind::Integer, "очки"},
    {"ContestListFrequency", "frequency", "double precision", DbValue::Kind::Double, "частота"},
}};
inline constexpr int kBandField = 0;
inline constexpr int kDateTimeField = 1;
inline constexpr int kCallField = 2;
inline constexpr int kSentNumberField = 5;
inline constexpr int kDistanceField = 9;
inline constexpr int kFrequencyField = 12;

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
