#pragma once

#include <cstdint>

namespace tarn::md {

// The message type code, bytes 2 and 3 of every header. Codes outside this
// catalogue are types the tool does not know; they are shown by their number.
enum class MsgType : std::uint16_t {
    Heartbeat = 1,
    OrderAdd = 9,
    OrderModify = 10,
    OrderCancel = 11,
    OrderExecute = 12,
    TradingSessionStatus = 23,
    EncryptionKey = 24,
    InstrumentStatusChange = 26,
    TradingPhaseScheduleEntry = 27,
    TickTableEntry = 32,
    WeekPlan = 33,
    CalendarException = 35,
    AccruedInterestTableEntry = 36,
    IndexationTableEntry = 37,
    Trade = 38,
    CollarTableEntry = 108,
    TopPriceLevelUpdate = 256,
    PriceLevelSnapshot = 257,
    AuctionUpdate = 268,
    AuctionSummary = 270,
    PriceUpdate = 271,
    OrderCollars = 272,
    TradeCollars = 273,
    MarketStructure = 275,
    Instrument = 279,
    CollarGroup = 299,
    OrderBookEvent = 410,
    RealTimeIndex = 500,
    IndexSummary = 501,
    IndexPortfolioEntry = 502,
    IndexParams = 503,
    News = 517,
    Login = 667,
    LoginResponse = 668,
    Logout = 669,
    EndOfSnapshot = 670,
    InstrumentSummary = 671,
    ProductSummary = 672,
    PositionReport = 801,
    ExternalUnderlying = 806,
    TestEvent = 8192,
};

}  // namespace tarn::md
