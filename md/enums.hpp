#pragma once

#include <cstdint>

#include "md/msg_type.hpp"

namespace tarn::md {

// One type per enumeration of the protocol, with the width and signedness of
// the fields that carry it. Values and descriptions live in enum_tables.hpp;
// enumerators are named here only where the code tests a value.
enum class Side : std::uint8_t {};
enum class PriorityFlag : std::uint8_t {};
enum class TradingSessionEvent : std::uint8_t { EndOfTechnicalSession = 3 };
enum class TradingPhaseType : std::uint8_t {};
enum class InstrumentStatus : std::uint8_t {};
enum class CalendarExceptionType : std::uint8_t {};
enum class ProductIdentificationType : std::uint8_t {};
enum class Currency : std::uint16_t {};
enum class PriceExpressionType : std::uint8_t {};
enum class MmtMarketMechanism : std::uint8_t {};
enum class MmtTradingMode : std::uint8_t {};
enum class MmtTransactionCategory : std::uint8_t {};
enum class MmtNegotiationIndicator : std::uint8_t {};
enum class MmtAgencyCrossTradeIndicator : std::uint8_t {};
enum class MmtModificationIndicator : std::uint8_t {};
enum class MmtBenchmarkReferencePriceIndicator : std::uint8_t {};
enum class MmtSpecialDividendIndicator : std::uint8_t {};
enum class MmtOffBookAutomatedIndicator : std::uint8_t {};
enum class MmtOrdinaryTradeIndicator : std::uint8_t {};
enum class MmtAlgorithmicIndicator : std::uint8_t {};
enum class MmtPostTradeDeferralReason : std::uint8_t {};
enum class MmtPostTradeDeferralType : std::uint8_t {};
enum class CollarMode : std::uint8_t {};
enum class CollarExpression : std::uint8_t {};
enum class PriceUpdateType : std::uint8_t {};
enum class PriceYtmPresence : std::uint16_t {};
enum class AuctionType : std::uint8_t {};
enum class MarketModelType : std::uint8_t {};
enum class ProductType : std::uint8_t {};
enum class ProductSubtype : std::uint8_t {};
enum class NominalValueType : std::uint8_t {};
enum class BondCouponType : std::uint8_t {};
enum class Country : std::uint16_t {};
enum class UsIndicator : std::uint8_t {};
enum class SettlementType : std::uint8_t {};
enum class OptionType : std::uint8_t {};
enum class ExerciseType : std::uint8_t {};
enum class IsLeverage : std::uint8_t {};
enum class LoginFilter : std::uint8_t {};
enum class LoginResult : std::uint8_t {};
enum class OrderBookEventType : std::uint8_t {};
enum class IndexLevelCode : std::uint8_t {};
enum class RealTimeIndexPresenceFlags : std::uint8_t {};
enum class IndexSummaryPresenceFlags : std::uint8_t {};
enum class IndexPublicationSchedule : std::uint8_t {};
enum class IndexPortfolioEntryPresenceFlags : std::uint8_t {};
enum class IndexType : std::uint8_t {};
enum class IndexParamsPresenceFlags : std::int8_t {};
enum class IndexUnderlyingType : std::uint8_t {};
enum class ClosingPriceType : std::uint8_t {};
enum class AdjustedClosingPriceReason : std::uint8_t {};
enum class MarkerPriceChange : std::uint8_t {};
enum class QuotationSystem : std::uint8_t {};
enum class TestEventType : std::uint8_t {};
enum class PosType : std::uint8_t {};

}  // namespace tarn::md
