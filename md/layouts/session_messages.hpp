#pragma once

#include "md/catalogue.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"

namespace tarn::md {

// Session, control and status messages: heartbeats, login and logout, snapshots,
// encryption keys, test events, news and the status of sessions, instruments and books.
// Offsets count from the first byte of the message; the body starts at 42.

// Heartbeat (code 1, 42 bytes)
inline constexpr layout heartbeat_layout{42, {}};
static_assert(is_contiguous(heartbeat_layout, body_offset));

// Logout (code 669, 42 bytes)
inline constexpr layout logout_layout{42, {}};
static_assert(is_contiguous(logout_layout, body_offset));

// Login (code 667, 53 bytes)
inline constexpr field login_fields[] = {
    {42, "connectionId", uint16},
    {44, "token", text(8)},
    {52, "filter", enumeration<LoginFilter>},
};
inline constexpr layout login_layout{53, login_fields};
static_assert(is_contiguous(login_layout, body_offset));

// LoginResponse (code 668, 43 bytes)
inline constexpr field login_response_fields[] = {
    {42, "result", enumeration<LoginResult>},
};
inline constexpr layout login_response_layout{43, login_response_fields};
static_assert(is_contiguous(login_response_layout, body_offset));

// EndOfSnapshot (code 670, 46 bytes)
inline constexpr field end_of_snapshot_fields[] = {
    {42, "lastSeqNum", uint32},
};
inline constexpr layout end_of_snapshot_layout{46, end_of_snapshot_fields};
static_assert(is_contiguous(end_of_snapshot_layout, body_offset));

// EncryptionKey (code 24, 78 bytes)
inline constexpr field encryption_key_fields[] = {
    {42, "id", uint32},
    {46, "secretKey", text(32)},
};
inline constexpr layout encryption_key_layout{78, encryption_key_fields};
static_assert(is_contiguous(encryption_key_layout, body_offset));

// TestEvent (code 8192, 243 bytes)
inline constexpr field test_event_fields[] = {
    {42, "scenarioName", text(200)},
    {242, "eventType", enumeration<TestEventType>},
};
inline constexpr layout test_event_layout{243, test_event_fields};
static_assert(is_contiguous(test_event_layout, body_offset));

// News (code 517, 932 bytes)
inline constexpr field news_fields[] = {
    {42, "marketStructureId", uint32}, {46, "newsId", uint32}, {50, "title", text(80)},
    {130, "entryNumber", uint8},       {131, "total", uint8},  {132, "text", text(800)},
};
inline constexpr layout news_layout{932, news_fields};
static_assert(is_contiguous(news_layout, body_offset));

// TradingSessionStatus (code 23, 55 bytes)
inline constexpr field trading_session_status_fields[] = {
    {42, "marketId", text(4)},
    {46, "marketStructureId", uint32},
    {50, "tradingSessionEvent", enumeration<TradingSessionEvent>},
    {51, "date", uint32},
};
inline constexpr layout trading_session_status_layout{55, trading_session_status_fields};
static_assert(is_contiguous(trading_session_status_layout, body_offset));

// InstrumentStatusChange (code 26, 53 bytes)
inline constexpr field instrument_status_change_fields[] = {
    {42, "instrumentId", uint32},
    {46, "tradingPhaseId", uint32},
    {50, "tradingPhaseType", enumeration<TradingPhaseType>},
    {51, "status", enumeration<InstrumentStatus>},
    {52, "stressedMarket", flag},
};
inline constexpr layout instrument_status_change_layout{53, instrument_status_change_fields};
static_assert(is_contiguous(instrument_status_change_layout, body_offset));

// OrderBookEvent (code 410, 47 bytes)
inline constexpr field order_book_event_fields[] = {
    {42, "instrumentId", uint32},
    {46, "eventType", enumeration<OrderBookEventType>},
};
inline constexpr layout order_book_event_layout{47, order_book_event_fields};
static_assert(is_contiguous(order_book_event_layout, body_offset));

// The printable types of this group.
inline constexpr catalogue_entry session_messages[] = {
    {MsgType::Login, &login_layout},
    {MsgType::LoginResponse, &login_response_layout},
    {MsgType::EndOfSnapshot, &end_of_snapshot_layout},
    {MsgType::EncryptionKey, &encryption_key_layout},
    {MsgType::TestEvent, &test_event_layout},
    {MsgType::News, &news_layout},
    {MsgType::TradingSessionStatus, &trading_session_status_layout},
    {MsgType::InstrumentStatusChange, &instrument_status_change_layout},
    {MsgType::OrderBookEvent, &order_book_event_layout},
    {MsgType::Logout, &logout_layout},
};

}  // namespace tarn::md
