#pragma once

#include "md/catalogue.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"

namespace tarn::md {

// Reference data messages: tick tables, calendars, interest and indexation tables,
// collars, the trading phase schedule, market structure, instruments, external underlyings.
// Offsets count from the first byte of the message; the body starts at 42.

// The bare element of the weekdays list: one flag, printed as its value alone.
inline constexpr field flag_element_fields[] = {{0, "", flag}};
inline constexpr layout flag_element{1, flag_element_fields};
static_assert(is_contiguous(flag_element, 0));

// TickTableEntry (code 32, 62 bytes)
inline constexpr field tick_table_entry_fields[] = {
    {42, "tickSize", int64},
    {50, "lowerBound", int64},
    {58, "tickTableId", uint32},
};
inline constexpr layout tick_table_entry_layout{62, tick_table_entry_fields};
static_assert(is_contiguous(tick_table_entry_layout, body_offset));

// WeekPlan (code 33, 53 bytes)
inline constexpr field week_plan_fields[] = {
    {42, "calendarId", uint32},
    {46, "weekdays", list(flag_element, 7)},
};
inline constexpr layout week_plan_layout{53, week_plan_fields};
static_assert(is_contiguous(week_plan_layout, body_offset));

// CalendarException (code 35, 51 bytes)
inline constexpr field calendar_exception_fields[] = {
    {42, "calendarId", uint32},
    {46, "calendarExceptionDate", uint32},
    {50, "calendarExceptionType", enumeration<CalendarExceptionType>},
};
inline constexpr layout calendar_exception_layout{51, calendar_exception_fields};
static_assert(is_contiguous(calendar_exception_layout, body_offset));

// AccruedInterestTableEntry (code 36, 58 bytes)
inline constexpr field accrued_interest_table_entry_fields[] = {
    {42, "productId", uint32},
    {46, "accruedInterestTableEntryDate", uint32},
    {50, "accruedInterestTableEntryValue", int64},
};
inline constexpr layout accrued_interest_table_entry_layout{58,
                                                            accrued_interest_table_entry_fields};
static_assert(is_contiguous(accrued_interest_table_entry_layout, body_offset));

// IndexationTableEntry (code 37, 58 bytes)
inline constexpr field indexation_table_entry_fields[] = {
    {42, "productId", uint32},
    {46, "indexationTableEntryDate", uint32},
    {50, "indexationTableEntryValue", int64},
};
inline constexpr layout indexation_table_entry_layout{58, indexation_table_entry_fields};
static_assert(is_contiguous(indexation_table_entry_layout, body_offset));

// CollarTableEntry (code 108, 96 bytes)
inline constexpr field collar_table_entry_fields[] = {
    {42, "collarTableId", uint32},
    {46, "collarMode", enumeration<CollarMode>},
    {47, "collarExpression", enumeration<CollarExpression>},
    {48, "collarLowerBound", int64},
    {56, "collarValue", int64},
    {64, "collarLowerBid", int64},
    {72, "collarUpperBid", int64},
    {80, "collarUpperAsk", int64},
    {88, "collarLowerAsk", int64},
};
inline constexpr layout collar_table_entry_layout{96, collar_table_entry_fields};
static_assert(is_contiguous(collar_table_entry_layout, body_offset));

// CollarGroup (code 299, 62 bytes)
inline constexpr field collar_group_fields[] = {
    {42, "id", uint32},
    {46, "orderStaticCollarTableId", uint32},
    {50, "orderDynamicCollarTableId", uint32},
    {54, "tradeStaticCollarTableId", uint32},
    {58, "tradeDynamicCollarTableId", uint32},
};
inline constexpr layout collar_group_layout{62, collar_group_fields};
static_assert(is_contiguous(collar_group_layout, body_offset));

// TradingPhaseScheduleEntry (code 27, 82 bytes)
inline constexpr field trading_phase_schedule_entry_fields[] = {
    {42, "tradingScheduleId", uint32},
    {46, "tradingPhaseId", uint32},
    {50, "tradingPhaseSettlementCycle", uint8},
    {51, "tradingPhaseMaxBlockSettlementCycle", uint8},
    {52, "staticCollarVolatilityAuctionId", uint32},
    {56, "dynamicCollarVolatilityAuctionId", uint32},
    {60, "tradingPhaseStartTime", timestamp},
    {68, "tradingPhaseType", enumeration<TradingPhaseType>},
    {69, "uncrossing", flag},
    {70, "extStaticCollarVolatilityAuctionId", uint32},
    {74, "extDynamicCollarVolatilityAuctionId", uint32},
    {78, "clatId", uint32},
};
inline constexpr layout trading_phase_schedule_entry_layout{82,
                                                            trading_phase_schedule_entry_fields};
static_assert(is_contiguous(trading_phase_schedule_entry_layout, body_offset));

// MarketStructure (code 275, 105 bytes)
inline constexpr field market_structure_fields[] = {
    {42, "id", uint32},
    {46, "parentId", uint32},
    {50, "mic", text(4)},
    {54, "name", ztext(50)},
    {104, "marketModelType", enumeration<MarketModelType>},
};
inline constexpr layout market_structure_layout{105, market_structure_fields};
static_assert(is_contiguous(market_structure_layout, body_offset));

// Instrument (code 279, 741 bytes)
inline constexpr field instrument_fields[] = {
    {42, "instrumentId", uint32},
    {46, "productType", enumeration<ProductType>},
    {47, "productSubtype", enumeration<ProductSubtype>},
    {48, "firstTradingDate", uint32},
    {52, "lastTradingDate", uint32},
    {56, "productId", uint32},
    {60, "currency", enumeration<Currency>},
    {62, "icebergMinValue", int64},
    {70, "lotSize", uint32},
    {74, "priceExpressionType", enumeration<PriceExpressionType>},
    {75, "calendarId", uint32},
    {79, "marketStructureId", uint32},
    {83, "tickTableId", uint32},
    {87, "referenceInstrumentId", uint32},
    {91, "collarGroupId", uint32},
    {95, "tradingScheduleId", uint32},
    {99, "description", text(64)},
    {163, "mic", text(4)},
    {167, "nominalValue", int64},
    {175, "nominalValueType", enumeration<NominalValueType>},
    {176, "multiplier", int64},
    {184, "strikePrice", int64},
    {192, "strikePriceCurrency", enumeration<Currency>},
    {194, "productIdentification", text(30)},
    {224, "productIdentificationType", enumeration<ProductIdentificationType>},
    {225, "settlementCalendarId", uint32},
    {229, "bondCouponType", enumeration<BondCouponType>},
    {230, "preTradeCheckMinPrice", int64},
    {238, "preTradeCheckMaxPrice", int64},
    {246, "preTradeCheckMinQuantity", uint64},
    {254, "preTradeCheckMaxQuantity", uint64},
    {262, "preTradeCheckMaxValue", int64},
    {270, "preTradeCheckMinValue", int64},
    {278, "liquidity", flag},
    {279, "marketModelType", enumeration<MarketModelType>},
    {280, "issuer", text(150)},
    {430, "issuerRegCountry", enumeration<Country>},
    {432, "underlyingInstrumentId", uint32},
    {436, "productCode", text(20)},
    {456, "cfi", text(6)},
    {462, "fisn", text(35)},
    {497, "issueSize", uint64},
    {505, "nominalCurrency", enumeration<Currency>},
    {507, "usIndicator", enumeration<UsIndicator>},
    {508, "expiryDate", uint32},
    {512, "versionNumber", uint8},
    {513, "settlementType", enumeration<SettlementType>},
    {514, "optionType", enumeration<OptionType>},
    {515, "exerciseType", enumeration<ExerciseType>},
    {516, "productName", text(50)},
    {566, "referencePrice", int64},
    {574, "status", enumeration<InstrumentStatus>},
    {575, "initialPhaseId", uint32},
    {579, "thresholdMax", int64},
    {587, "thresholdMin", int64},
    {595, "isLeverage", enumeration<IsLeverage>},
    {596, "accruedInterestValue", int64},
    {604, "kid", text(128)},
    {732, "kidIssueDate", uint32},
    {736, "valueAtRisk", uint8},
    {737, "externalUnderlyingId", uint32},
};
inline constexpr layout instrument_layout{741, instrument_fields};
static_assert(is_contiguous(instrument_layout, body_offset));

// ExternalUnderlying (code 806, 155 bytes)
inline constexpr field external_underlying_fields[] = {
    {42, "externalUnderlyingId", uint32},
    {46, "productIdentification", ztext(30)},
    {76, "productIdentificationType", enumeration<ProductIdentificationType>},
    {77, "productCode", text(20)},
    {97, "productName", text(50)},
    {147, "mic", text(4)},
    {151, "nominalCurrency", uint16},
    {153, "tradingCurrency", uint16},
};
inline constexpr layout external_underlying_layout{155, external_underlying_fields};
static_assert(is_contiguous(external_underlying_layout, body_offset));

// The printable types of this group.
inline constexpr catalogue_entry reference_data_messages[] = {
    {MsgType::TickTableEntry, &tick_table_entry_layout},
    {MsgType::WeekPlan, &week_plan_layout},
    {MsgType::CalendarException, &calendar_exception_layout},
    {MsgType::AccruedInterestTableEntry, &accrued_interest_table_entry_layout},
    {MsgType::IndexationTableEntry, &indexation_table_entry_layout},
    {MsgType::CollarTableEntry, &collar_table_entry_layout},
    {MsgType::CollarGroup, &collar_group_layout},
    {MsgType::TradingPhaseScheduleEntry, &trading_phase_schedule_entry_layout},
    {MsgType::MarketStructure, &market_structure_layout},
    {MsgType::Instrument, &instrument_layout},
    {MsgType::ExternalUnderlying, &external_underlying_layout},
};

}  // namespace tarn::md
