#pragma once

#include "md/catalogue.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"
#include "md/product_identification.hpp"

namespace tarn::md {

// Trade and statistics messages: trades, instrument and product summaries, positions.
// Offsets count from the first byte of the message; the body starts at 42.

// InstrumentStatistics, the 119-byte block
inline constexpr field instrument_statistics_fields[] = {
    {0, "instrumentId", uint32},
    {4, "marketModelType", enumeration<MarketModelType>},
    {5, "lastTradedPrice", int64},
    {13, "closingPrice", int64},
    {21, "closingPriceType", enumeration<ClosingPriceType>},
    {22, "adjustedClosingPrice", int64},
    {30, "adjustedClosingPriceReason", enumeration<AdjustedClosingPriceReason>},
    {31, "pctChange", int64},
    {39, "vwap", int64},
    {47, "noTrades", uint64},
    {55, "totalVolume", uint64},
    {63, "totalValue", int64},
    {71, "openingPrice", int64},
    {79, "maxPrice", int64},
    {87, "minPrice", int64},
    {95, "settlementPrice", int64},
    {103, "settlementValue", int64},
    {111, "endTradingDate", uint32},
    {115, "lastTradeDate", uint32},
};
inline constexpr layout instrument_statistics_layout{119, instrument_statistics_fields};
static_assert(is_contiguous(instrument_statistics_layout, 0));

// Trade (code 38, 220 bytes)
inline constexpr field trade_fields[] = {
    {42, "instrumentId", uint32},
    {46, "settlementValue", int64},
    {54, "settlementDate", uint32},
    {58, "tradingTimestamp", timestamp},
    {66, "publicProductIdentification", block(product_identification)},
    {97, "price", int64},
    {105, "priceCurrency", enumeration<Currency>},
    {107, "priceNotation", enumeration<PriceExpressionType>},
    {108, "quantity", uint64},
    {116, "nominalValue", int64},
    {124, "nominalCurrency", enumeration<Currency>},
    {126, "mic", text(4)},
    {130, "publicationTimestamp", timestamp},
    {138, "tradeId", uint32},
    {142, "tradeToBeCleared", flag},
    {143, "pctChange", int64},
    {151, "vwap", int64},
    {159, "noTrades", uint64},
    {167, "totalVolume", uint64},
    {175, "totalValue", int64},
    {183, "openingPrice", int64},
    {191, "maxPrice", int64},
    {199, "minPrice", int64},
    {207, "mmtMarketMechanism", enumeration<MmtMarketMechanism>},
    {208, "mmtTradingMode", enumeration<MmtTradingMode>},
    {209, "mmtTransactionCategory", enumeration<MmtTransactionCategory>},
    {210, "mmtNegotiationIndicator", enumeration<MmtNegotiationIndicator>},
    {211, "mmtAgencyCrossTradeIndicator", enumeration<MmtAgencyCrossTradeIndicator>},
    {212, "mmtModificationIndicator", enumeration<MmtModificationIndicator>},
    {213, "mmtBenchmarkReferencePriceIndicator", enumeration<MmtBenchmarkReferencePriceIndicator>},
    {214, "mmtSpecialDividendIndicator", enumeration<MmtSpecialDividendIndicator>},
    {215, "mmtOffBookAutomatedIndicator", enumeration<MmtOffBookAutomatedIndicator>},
    {216, "mmtOrdinaryTradeIndicator", enumeration<MmtOrdinaryTradeIndicator>},
    {217, "mmtAlgorithmicIndicator", enumeration<MmtAlgorithmicIndicator>},
    {218, "mmtPostTradeDeferralReason", enumeration<MmtPostTradeDeferralReason>},
    {219, "mmtPostTradeDeferralType", enumeration<MmtPostTradeDeferralType>},
};
inline constexpr layout trade_layout{220, trade_fields};
static_assert(is_contiguous(trade_layout, body_offset));

// InstrumentSummary (code 671, 137 bytes)
inline constexpr field instrument_summary_fields[] = {
    {42, "instrumentId", uint32},
    {46, "lastTradedPrice", int64},
    {54, "closingPrice", int64},
    {62, "closingPriceType", enumeration<ClosingPriceType>},
    {63, "adjustedClosingPrice", int64},
    {71, "adjustedClosingPriceReason", enumeration<AdjustedClosingPriceReason>},
    {72, "pctChange", int64},
    {80, "vwap", int64},
    {88, "noTrades", uint64},
    {96, "totalVolume", uint64},
    {104, "totalValue", int64},
    {112, "openingPrice", int64},
    {120, "maxPrice", int64},
    {128, "minPrice", int64},
    {136, "isCorrection", flag},
};
inline constexpr layout instrument_summary_layout{137, instrument_summary_fields};
static_assert(is_contiguous(instrument_summary_layout, body_offset));

// ProductSummary (code 672, 679 bytes)
inline constexpr field product_summary_fields[] = {
    {42, "clobInstrument", block(instrument_statistics_layout)},
    {161, "crossInstrument", block(instrument_statistics_layout)},
    {280, "blockInstrument", block(instrument_statistics_layout)},
    {399, "hybridInstrument", block(instrument_statistics_layout)},
    {518, "productIdentificationType", enumeration<ProductIdentificationType>},
    {519, "productIdentification", ztext(30)},
    {549, "productId", uint32},
    {553, "mic", text(4)},
    {557, "AccumulatedInterest", int64},
    {565, "interestRate", int64},
    {573, "currency", enumeration<Currency>},
    {575, "sessionDate", uint32},
    {579, "tradingValueCurrency", int64},
    {587, "status", enumeration<InstrumentStatus>},
    {588, "sector", uint16},
    {590, "market", uint8},
    {591, "markerPriceChange", enumeration<MarkerPriceChange>},
    {592, "lowerLiquidity", flag},
    {593, "multiplier", int64},
    {601, "impliedVolatility", int64},
    {609, "dividendRate", int64},
    {617, "delta", int64},
    {625, "gamma", int64},
    {633, "rho", int64},
    {641, "theta", int64},
    {649, "vega", int64},
    {657, "volatility", int64},
    {665, "optionsStrikePrice", int64},
    {673, "dividend", flag},
    {674, "subscriptionRight", flag},
    {675, "interimDividendRight", flag},
    {676, "split", flag},
    {677, "quotationSystem", enumeration<QuotationSystem>},
    {678, "liquiditySupportPge", flag},
};
inline constexpr layout product_summary_layout{679, product_summary_fields};
static_assert(is_contiguous(product_summary_layout, body_offset));

// PositionReport (code 801, 82 bytes)
inline constexpr field position_report_fields[] = {
    {42, "publicProductIdentification", block(product_identification)},
    {73, "posType", enumeration<PosType>},
    {74, "openPositions", uint32},
    {78, "tradeID", uint32},
};
inline constexpr layout position_report_layout{82, position_report_fields};
static_assert(is_contiguous(position_report_layout, body_offset));

// The printable types of this group.
inline constexpr catalogue_entry trade_messages[] = {
    {MsgType::Trade, &trade_layout},
    {MsgType::InstrumentSummary, &instrument_summary_layout},
    {MsgType::ProductSummary, &product_summary_layout},
    {MsgType::PositionReport, &position_report_layout},
};

}  // namespace tarn::md
