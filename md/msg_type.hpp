#pragma once

#include <cstdint>

namespace tarn::md {

// Every message type the tool knows and its code, in order of code: the one
// list that both the enumeration below and its table of names
// (md/enum_tables.hpp) are made from.
#define TARN_MD_MSG_TYPES(X)         \
    X(Heartbeat, 1)                  \
    X(OrderAdd, 9)                   \
    X(OrderModify, 10)               \
    X(OrderCancel, 11)               \
    X(OrderExecute, 12)              \
    X(TradingSessionStatus, 23)      \
    X(EncryptionKey, 24)             \
    X(InstrumentStatusChange, 26)    \
    X(TradingPhaseScheduleEntry, 27) \
    X(TickTableEntry, 32)            \
    X(WeekPlan, 33)                  \
    X(CalendarException, 35)         \
    X(AccruedInterestTableEntry, 36) \
    X(IndexationTableEntry, 37)      \
    X(Trade, 38)                     \
    X(CollarTableEntry, 108)         \
    X(TopPriceLevelUpdate, 256)      \
    X(PriceLevelSnapshot, 257)       \
    X(AuctionUpdate, 268)            \
    X(AuctionSummary, 270)           \
    X(PriceUpdate, 271)              \
    X(OrderCollars, 272)             \
    X(TradeCollars, 273)             \
    X(MarketStructure, 275)          \
    X(Instrument, 279)               \
    X(CollarGroup, 299)              \
    X(OrderBookEvent, 410)           \
    X(RealTimeIndex, 500)            \
    X(IndexSummary, 501)             \
    X(IndexPortfolioEntry, 502)      \
    X(IndexParams, 503)              \
    X(News, 517)                     \
    X(Login, 667)                    \
    X(LoginResponse, 668)            \
    X(Logout, 669)                   \
    X(EndOfSnapshot, 670)            \
    X(InstrumentSummary, 671)        \
    X(ProductSummary, 672)           \
    X(PositionReport, 801)           \
    X(ExternalUnderlying, 806)       \
    X(TestEvent, 8192)

// The message type code, bytes 2 and 3 of every header. Codes outside this
// catalogue are types the tool does not know; they are shown by their number.
enum class MsgType : std::uint16_t {
#define TARN_MD_MSG_TYPE_ENUMERATOR(name, code) name = (code),
    TARN_MD_MSG_TYPES(TARN_MD_MSG_TYPE_ENUMERATOR)
#undef TARN_MD_MSG_TYPE_ENUMERATOR
};

}  // namespace tarn::md
