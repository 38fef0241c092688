#pragma once

#include "md/catalogue.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"
#include "md/product_identification.hpp"

namespace tarn::md {

// Index messages: real-time values, session summaries, portfolios and parameters.
// Offsets count from the first byte of the message; the body starts at 42.

// IndexUnderlying, the 32-byte element
inline constexpr field index_underlying_fields[] = {
    {0, "productIdentification", block(product_identification)},
    {31, "indexUnderlyingType", enumeration<IndexUnderlyingType>},
};
inline constexpr layout index_underlying_layout{32, index_underlying_fields};
static_assert(is_contiguous(index_underlying_layout, 0));

// RealTimeIndex (code 500, 130 bytes)
inline constexpr field real_time_index_fields[] = {
    {42, "instrumentId", uint32},
    {46, "indexLevelCode", enumeration<IndexLevelCode>},
    {47, "numOfActiveInstruments", uint16},
    {49, "indIndexOpeningPortfolio", int64},
    {57, "indexValue", int64},
    {65, "pctChangeIndexValPrevSession", int64},
    {73, "sessionLow", int64},
    {81, "sessionHigh", int64},
    {89, "presenceFlags", enumeration<RealTimeIndexPresenceFlags>},
    {90, "tradingValue", int64},
    {98, "indexValueBid", int64},
    {106, "indexValueAsk", int64},
    {114, "midSpreadIndex", int64},
    {122, "differenceCentralSpread", int64},
};
inline constexpr layout real_time_index_layout{130, real_time_index_fields};
static_assert(is_contiguous(real_time_index_layout, body_offset));

// IndexSummary (code 501, 119 bytes)
inline constexpr field index_summary_fields[] = {
    {42, "instrumentId", uint32},
    {46, "openingIndexValue", int64},
    {54, "sessionLow", int64},
    {62, "sessionHigh", int64},
    {70, "closingIndexValue", int64},
    {78, "presenceFlags", enumeration<IndexSummaryPresenceFlags>},
    {79, "sessionAvg", int64},
    {87, "pctChangeIndexValPrevSession", int64},
    {95, "pctChangeIndexValPrevYear", int64},
    {103, "closingCapitalisationPortfolio", int64},
    {111, "indIndexOpeningPortfolio", int64},
};
inline constexpr layout index_summary_layout{119, index_summary_fields};
static_assert(is_contiguous(index_summary_layout, body_offset));

// IndexPortfolioEntry (code 502, 101 bytes)
inline constexpr field index_portfolio_entry_fields[] = {
    {42, "id", uint32},
    {46, "indexId", uint32},
    {50, "presenceFlags", enumeration<IndexPortfolioEntryPresenceFlags>},
    {51, "instrumentId", uint32},
    {55, "publicProductIdentification", block(product_identification)},
    {86, "mic", text(4)},
    {90, "currency", enumeration<Currency>},
    {92, "instrumentPacket", uint64},
    {100, "suspended", flag},
};
inline constexpr layout index_portfolio_entry_layout{101, index_portfolio_entry_fields};
static_assert(is_contiguous(index_portfolio_entry_layout, body_offset));

// IndexParams (code 503, 187 bytes)
inline constexpr field index_params_fields[] = {
    {42, "instrumentId", uint32},
    {46, "indexBaseValue", int64},
    {54, "indexBaseCapitalisation", int64},
    {62, "indexBaseDate", uint32},
    {66, "correctionCoefficient", int64},
    {74, "numOfComponents", uint16},
    {76, "indexPublicationSchedule", enumeration<IndexPublicationSchedule>},
    {77, "indexType", enumeration<IndexType>},
    {78, "presenceFlags", enumeration<IndexParamsPresenceFlags>},
    {79, "daysSinceLastPublication", uint8},
    {80, "numberOfDividends", uint16},
    {82, "indexUnderlyings", counted_list(index_underlying_layout, 3)},
    {179, "publicationOrder", uint16},
    {181, "currency", enumeration<Currency>},
    {183, "dateValidity", uint32},
};
inline constexpr layout index_params_layout{187, index_params_fields};
static_assert(is_contiguous(index_params_layout, body_offset));

// The printable types of this group.
inline constexpr catalogue_entry index_messages[] = {
    {MsgType::RealTimeIndex, &real_time_index_layout},
    {MsgType::IndexSummary, &index_summary_layout},
    {MsgType::IndexPortfolioEntry, &index_portfolio_entry_layout},
    {MsgType::IndexParams, &index_params_layout},
};

}  // namespace tarn::md
