#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "md/enums.hpp"

namespace tarn::md {

// One value of an enumeration and the text the tool prints for it.
struct enum_entry {
    std::int32_t value;
    std::string_view text;
};

// The descriptions of one enumeration, sorted by value. Signed tables compare
// their values as signed bytes, the others as unsigned numbers.
struct enum_table {
    std::string_view name;
    bool is_signed;
    std::span<const enum_entry> entries;
};

// MsgType: made from the list of message types.
inline constexpr enum_entry msg_type_entries[] = {
#define TARN_MD_MSG_TYPE_ENTRY(name, code) {(code), #name},
    TARN_MD_MSG_TYPES(TARN_MD_MSG_TYPE_ENTRY)
#undef TARN_MD_MSG_TYPE_ENTRY
};
static_assert(std::ranges::adjacent_find(msg_type_entries, std::ranges::greater_equal{},
                                         &enum_entry::value) == std::end(msg_type_entries),
              "the message types are listed in strictly rising order of code");
inline constexpr enum_table msg_type_names{"MsgType", false, msg_type_entries};
constexpr const enum_table& names_of(MsgType /*unused*/) { return msg_type_names; }

// Side: 2 values
inline constexpr enum_entry side_entries[] = {{1, "Buy"}, {2, "Sell"}};
inline constexpr enum_table side_names{"Side", false, side_entries};
constexpr const enum_table& names_of(Side /*unused*/) { return side_names; }

// PriorityFlag: 2 values
inline constexpr enum_entry priority_flag_entries[] = {{1, "Lost"}, {2, "Retained"}};
inline constexpr enum_table priority_flag_names{"PriorityFlag", false, priority_flag_entries};
constexpr const enum_table& names_of(PriorityFlag /*unused*/) { return priority_flag_names; }

// TradingSessionEvent: 11 values
inline constexpr enum_entry trading_session_event_entries[] = {{1, "NA"},
                                                               {2, "StartOfTechnicalSession"},
                                                               {3, "EndOfTechnicalSession"},
                                                               {4, "InitialReferenceDataStart"},
                                                               {5, "InitialReferenceDataEnd"},
                                                               {6, "PreviousDayRestateStart"},
                                                               {7, "PreviousDayRestateEnd"},
                                                               {8, "NextSessionReferenceDataStart"},
                                                               {9, "NextSessionReferenceDataEnd"},
                                                               {12, "StartOfTradingSessionMIC"},
                                                               {13, "EndOfTradingSessionMIC"}};
inline constexpr enum_table trading_session_event_names{"TradingSessionEvent", false,
                                                        trading_session_event_entries};
constexpr const enum_table& names_of(TradingSessionEvent /*unused*/) {
    return trading_session_event_names;
}

// TradingPhaseType: 22 values
inline constexpr enum_entry trading_phase_type_entries[] = {
    {1, "ContinuousPriceTime"},
    {2, "ContinuousRefPriceTime"},
    {3, "ContinuousLastAuctionTime"},
    {4, "AuctionOpening"},
    {5, "BlockExactMatching"},
    {6, "NoTradingClosed"},
    {7, "Uncrossing"},
    {8, "AuctionClosing"},
    {9, "AuctionIntraday"},
    {10, "AuctionVolatilityStatic"},
    {11, "AuctionVolatilityDynamic"},
    {12, "AuctionExtendedVolatilityStatic"},
    {13, "AuctionExtendedVolatilityDynamic"},
    {14, "NoTradingEarlyMonitoring"},
    {15, "NoTradingLateMonitoring"},
    {16, "Hybrid"},
    {17, "HybridBuyOnly"},
    {18, "HybridPreTrade"},
    {19, "UnsuspensionAuction"},
    {20, "Ipo"},
    {21, "TenderOffer"},
    {22, "HybridPreTradeBuyOnly"}};
inline constexpr enum_table trading_phase_type_names{"TradingPhaseType", false,
                                                     trading_phase_type_entries};
constexpr const enum_table& names_of(TradingPhaseType /*unused*/) {
    return trading_phase_type_names;
}

// InstrumentStatus: 9 values
inline constexpr enum_entry instrument_status_entries[] = {{1, "Active"},
                                                           {2, "Inactive"},
                                                           {3, "MarketOperationsSuspension"},
                                                           {4, "OutsideCollarsStatic"},
                                                           {5, "OutsideCollarsDynamic"},
                                                           {6, "RegulatorySuspension"},
                                                           {8, "HybridNoQuotes"},
                                                           {9, "HybridKnockout"},
                                                           {10, "HybridKnockoutByIssuer"}};
inline constexpr enum_table instrument_status_names{"InstrumentStatus", false,
                                                    instrument_status_entries};
constexpr const enum_table& names_of(InstrumentStatus /*unused*/) {
    return instrument_status_names;
}

// CalendarExceptionType: 2 values
inline constexpr enum_entry calendar_exception_type_entries[] = {{1, "Closed"}, {2, "Open"}};
inline constexpr enum_table calendar_exception_type_names{"CalendarExceptionType", false,
                                                          calendar_exception_type_entries};
constexpr const enum_table& names_of(CalendarExceptionType /*unused*/) {
    return calendar_exception_type_names;
}

// ProductIdentificationType: 2 values
inline constexpr enum_entry product_identification_type_entries[] = {{1, "NotApplicable"},
                                                                     {2, "ISIN"}};
inline constexpr enum_table product_identification_type_names{"ProductIdentificationType", false,
                                                              product_identification_type_entries};
constexpr const enum_table& names_of(ProductIdentificationType /*unused*/) {
    return product_identification_type_names;
}

// Currency: 180 values
inline constexpr enum_entry currency_entries[] = {
    {8, "ALL"},   {12, "DZD"},  {32, "ARS"},  {36, "AUD"},  {44, "BSD"},  {48, "BHD"},
    {50, "BDT"},  {51, "AMD"},  {52, "BBD"},  {60, "BMD"},  {64, "BTN"},  {68, "BOB"},
    {72, "BWP"},  {84, "BZD"},  {90, "SBD"},  {96, "BND"},  {104, "MMK"}, {108, "BIF"},
    {116, "KHR"}, {124, "CAD"}, {132, "CVE"}, {136, "KYD"}, {144, "LKR"}, {152, "CLP"},
    {156, "CNY"}, {170, "COP"}, {174, "KMF"}, {188, "CRC"}, {191, "HRK"}, {192, "CUP"},
    {203, "CZK"}, {208, "DKK"}, {214, "DOP"}, {222, "SVC"}, {230, "ETB"}, {232, "ERN"},
    {238, "FKP"}, {242, "FJD"}, {262, "DJF"}, {270, "GMD"}, {292, "GIP"}, {320, "GTQ"},
    {324, "GNF"}, {328, "GYD"}, {332, "HTG"}, {340, "HNL"}, {344, "HKD"}, {348, "HUF"},
    {352, "ISK"}, {356, "INR"}, {360, "IDR"}, {364, "IRR"}, {368, "IQD"}, {376, "ILS"},
    {388, "JMD"}, {392, "JPY"}, {398, "KZT"}, {400, "JOD"}, {404, "KES"}, {408, "KPW"},
    {410, "KRW"}, {414, "KWD"}, {417, "KGS"}, {418, "LAK"}, {422, "LBP"}, {426, "LSL"},
    {430, "LRD"}, {434, "LYD"}, {446, "MOP"}, {454, "MWK"}, {458, "MYR"}, {462, "MVR"},
    {480, "MUR"}, {484, "MXN"}, {496, "MNT"}, {498, "MDL"}, {504, "MAD"}, {512, "OMR"},
    {516, "NAD"}, {524, "NPR"}, {532, "ANG"}, {533, "AWG"}, {548, "VUV"}, {554, "NZD"},
    {558, "NIO"}, {566, "NGN"}, {578, "NOK"}, {586, "PKR"}, {590, "PAB"}, {598, "PGK"},
    {600, "PYG"}, {604, "PEN"}, {608, "PHP"}, {634, "QAR"}, {643, "RUB"}, {646, "RWF"},
    {654, "SHP"}, {682, "SAR"}, {690, "SCR"}, {702, "SGD"}, {704, "VND"}, {706, "SOS"},
    {710, "ZAR"}, {728, "SSP"}, {748, "SZL"}, {752, "SEK"}, {756, "CHF"}, {760, "SYP"},
    {764, "THB"}, {776, "TOP"}, {780, "TTD"}, {784, "AED"}, {788, "TND"}, {800, "UGX"},
    {807, "MKD"}, {818, "EGP"}, {826, "GBP"}, {834, "TZS"}, {840, "USD"}, {858, "UYU"},
    {860, "UZS"}, {882, "WST"}, {886, "YER"}, {901, "TWD"}, {925, "SLE"}, {926, "VED"},
    {927, "UYW"}, {928, "VES"}, {929, "MRU"}, {930, "STN"}, {931, "CUC"}, {932, "ZWL"},
    {933, "BYN"}, {934, "TMT"}, {936, "GHS"}, {938, "SDG"}, {940, "UYI"}, {941, "RSD"},
    {943, "MZN"}, {944, "AZN"}, {946, "RON"}, {947, "CHE"}, {948, "CHW"}, {949, "TRY"},
    {950, "XAF"}, {951, "XCD"}, {952, "XOF"}, {953, "XPF"}, {955, "XBA"}, {956, "XBB"},
    {957, "XBC"}, {958, "XBD"}, {959, "XAU"}, {960, "XDR"}, {961, "XAG"}, {962, "XPT"},
    {963, "XTS"}, {964, "XPD"}, {965, "XUA"}, {967, "ZMW"}, {968, "SRD"}, {969, "MGA"},
    {970, "COU"}, {971, "AFN"}, {972, "TJS"}, {973, "AOA"}, {975, "BGN"}, {976, "CDF"},
    {977, "BAM"}, {978, "EUR"}, {979, "MXV"}, {980, "UAH"}, {981, "GEL"}, {984, "BOV"},
    {985, "PLN"}, {986, "BRL"}, {990, "CLF"}, {994, "XSU"}, {997, "USN"}, {999, "XXX"}};
inline constexpr enum_table currency_names{"Currency", false, currency_entries};
constexpr const enum_table& names_of(Currency /*unused*/) { return currency_names; }

// PriceExpressionType: 3 values
inline constexpr enum_entry price_expression_type_entries[] = {
    {1, "Price"}, {2, "Percentage"}, {3, "NotApplicable"}};
inline constexpr enum_table price_expression_type_names{"PriceExpressionType", false,
                                                        price_expression_type_entries};
constexpr const enum_table& names_of(PriceExpressionType /*unused*/) {
    return price_expression_type_names;
}

// MmtMarketMechanism: 7 values
inline constexpr enum_entry mmt_market_mechanism_entries[] = {
    {1, "CentralLimitOrderBook"}, {2, "QuoteDrivenMarket"}, {3, "DarkOrderBook"}, {4, "OffBook"},
    {5, "PeriodicAuction"},       {6, "RequestForQuotes"},  {7, "Other"}};
inline constexpr enum_table mmt_market_mechanism_names{"MmtMarketMechanism", false,
                                                       mmt_market_mechanism_entries};
constexpr const enum_table& names_of(MmtMarketMechanism /*unused*/) {
    return mmt_market_mechanism_names;
}

// MmtTradingMode: 11 values
inline constexpr enum_entry mmt_trading_mode_entries[] = {
    {1, "UndefinedAuction"},
    {2, "ScheduledOpeningAuction"},
    {3, "ScheduledClosingAuction"},
    {4, "ScheduledIntradayAuction"},
    {5, "UnscheduledAuction"},
    {6, "ContinuousTrading"},
    {7, "AtMarketCloseTrading"},
    {8, "OutOfMainSessionTrading"},
    {9, "TradeReportingOnExchange"},
    {10, "TradeReportingOffExchange"},
    {11, "TradeReportingSystematicInternaliser"}};
inline constexpr enum_table mmt_trading_mode_names{"MmtTradingMode", false,
                                                   mmt_trading_mode_entries};
constexpr const enum_table& names_of(MmtTradingMode /*unused*/) { return mmt_trading_mode_names; }

// MmtTransactionCategory: 5 values
inline constexpr enum_entry mmt_transaction_category_entries[] = {{1, "DarkTrade"},
                                                                  {2, "TradePriceImprovement "},
                                                                  {3, "PackageTrade"},
                                                                  {4, "ExchangeForPhysicalsTrade"},
                                                                  {5, "None"}};
inline constexpr enum_table mmt_transaction_category_names{"MmtTransactionCategory", false,
                                                           mmt_transaction_category_entries};
constexpr const enum_table& names_of(MmtTransactionCategory /*unused*/) {
    return mmt_transaction_category_names;
}

// MmtNegotiationIndicator: 8 values
inline constexpr enum_entry mmt_negotiation_indicator_entries[] = {
    {1, "NegotiatedTrade"},
    {2, "NegotiatedTradeLiquidFinancialInstruments"},
    {3, "NegotiatedTradeIlliquidFinancialInstruments"},
    {4, "NegotiatedTradeOther"},
    {5, "NoNegotiatedTrade"},
    {6, "PreTradeTransparencyWaiverIlliquidInstrument"},
    {7, "PreTradeTransparencyWaiverStandardMarketSize"},
    {8, "PreTradeTransparencyWaiversIlqdAndSize"}};
inline constexpr enum_table mmt_negotiation_indicator_names{"MmtNegotiationIndicator", false,
                                                            mmt_negotiation_indicator_entries};
constexpr const enum_table& names_of(MmtNegotiationIndicator /*unused*/) {
    return mmt_negotiation_indicator_names;
}

// MmtAgencyCrossTradeIndicator: 2 values
inline constexpr enum_entry mmt_agency_cross_trade_indicator_entries[] = {
    {1, "AgencyCrossTrade"}, {2, "NoAgencyCrossTrade"}};
inline constexpr enum_table mmt_agency_cross_trade_indicator_names{
    "MmtAgencyCrossTradeIndicator", false, mmt_agency_cross_trade_indicator_entries};
constexpr const enum_table& names_of(MmtAgencyCrossTradeIndicator /*unused*/) {
    return mmt_agency_cross_trade_indicator_names;
}

// MmtModificationIndicator: 3 values
inline constexpr enum_entry mmt_modification_indicator_entries[] = {
    {1, "TradeCancellation"}, {2, "TradeAmendment"}, {3, "NewTrade"}};
inline constexpr enum_table mmt_modification_indicator_names{"MmtModificationIndicator", false,
                                                             mmt_modification_indicator_entries};
constexpr const enum_table& names_of(MmtModificationIndicator /*unused*/) {
    return mmt_modification_indicator_names;
}

// MmtBenchmarkReferencePriceIndicator: 3 values
inline constexpr enum_entry mmt_benchmark_reference_price_indicator_entries[] = {
    {1, "BenchmarkTrade"}, {2, "ReferencePriceTrade"}, {3, "NoBenchmarkorReferencePriceTrade"}};
inline constexpr enum_table mmt_benchmark_reference_price_indicator_names{
    "MmtBenchmarkReferencePriceIndicator", false, mmt_benchmark_reference_price_indicator_entries};
constexpr const enum_table& names_of(MmtBenchmarkReferencePriceIndicator /*unused*/) {
    return mmt_benchmark_reference_price_indicator_names;
}

// MmtSpecialDividendIndicator: 2 values
inline constexpr enum_entry mmt_special_dividend_indicator_entries[] = {
    {1, "SpecialDividendTrade"}, {2, "NoSpecialDividendTrade"}};
inline constexpr enum_table mmt_special_dividend_indicator_names{
    "MmtSpecialDividendIndicator", false, mmt_special_dividend_indicator_entries};
constexpr const enum_table& names_of(MmtSpecialDividendIndicator /*unused*/) {
    return mmt_special_dividend_indicator_names;
}

// MmtOffBookAutomatedIndicator: 3 values
inline constexpr enum_entry mmt_off_book_automated_indicator_entries[] = {
    {1, "UnspecifiedOrNotApply"}, {2, "OffBookNonAutomated"}, {3, "OffBookAutomated"}};
inline constexpr enum_table mmt_off_book_automated_indicator_names{
    "MmtOffBookAutomatedIndicator", false, mmt_off_book_automated_indicator_entries};
constexpr const enum_table& names_of(MmtOffBookAutomatedIndicator /*unused*/) {
    return mmt_off_book_automated_indicator_names;
}

// MmtOrdinaryTradeIndicator: 4 values
inline constexpr enum_entry mmt_ordinary_trade_indicator_entries[] = {
    {1, "PlainVanillaTrade"},
    {2, "NonPriceFormingTrade"},
    {3, "TradeNotContributingToPriceDiscovery"},
    {4, "PricePending"}};
inline constexpr enum_table mmt_ordinary_trade_indicator_names{
    "MmtOrdinaryTradeIndicator", false, mmt_ordinary_trade_indicator_entries};
constexpr const enum_table& names_of(MmtOrdinaryTradeIndicator /*unused*/) {
    return mmt_ordinary_trade_indicator_names;
}

// MmtAlgorithmicIndicator: 2 values
inline constexpr enum_entry mmt_algorithmic_indicator_entries[] = {{1, "AlgorithmicTrade"},
                                                                   {2, "NoAlgorithmicTrade"}};
inline constexpr enum_table mmt_algorithmic_indicator_names{"MmtAlgorithmicIndicator", false,
                                                            mmt_algorithmic_indicator_entries};
constexpr const enum_table& names_of(MmtAlgorithmicIndicator /*unused*/) {
    return mmt_algorithmic_indicator_names;
}

// MmtPostTradeDeferralReason: 7 values
inline constexpr enum_entry mmt_post_trade_deferral_reason_entries[] = {
    {1, "ImmediatePublication"},
    {2, "NonImmediatePublication"},
    {3, "NonImmediatePublicationLargeInScale"},
    {4, "NonImmediatePublicationIlliquidInstrument"},
    {5, "NonImmediatePublicationSizeSpecific"},
    {6, "NonImmediatePublicationIlqdAndSize"},
    {7, "NonImmediatePublicationIlqdAndLrgs"}};
inline constexpr enum_table mmt_post_trade_deferral_reason_names{
    "MmtPostTradeDeferralReason", false, mmt_post_trade_deferral_reason_entries};
constexpr const enum_table& names_of(MmtPostTradeDeferralReason /*unused*/) {
    return mmt_post_trade_deferral_reason_names;
}

// MmtPostTradeDeferralType: 7 values
inline constexpr enum_entry mmt_post_trade_deferral_type_entries[] = {
    {1, "LimitedDetailsTrade"},
    {2, "DailyAggregatedTrade"},
    {3, "VolumeOmissionTrade"},
    {4, "FourWeeksAggregationTrade"},
    {5, "IndefiniteAggregationTrade"},
    {6, "VolumeOmissionTradeAggregated"},
    {7, "NotApplicable"}};
inline constexpr enum_table mmt_post_trade_deferral_type_names{
    "MmtPostTradeDeferralType", false, mmt_post_trade_deferral_type_entries};
constexpr const enum_table& names_of(MmtPostTradeDeferralType /*unused*/) {
    return mmt_post_trade_deferral_type_names;
}

// CollarMode: 2 values
inline constexpr enum_entry collar_mode_entries[] = {{1, "TradePriceCollar"},
                                                     {2, "OrderPriceCollar"}};
inline constexpr enum_table collar_mode_names{"CollarMode", false, collar_mode_entries};
constexpr const enum_table& names_of(CollarMode /*unused*/) { return collar_mode_names; }

// CollarExpression: 2 values
inline constexpr enum_entry collar_expression_entries[] = {{1, "Percentage"}, {2, "AbsoluteValue"}};
inline constexpr enum_table collar_expression_names{"CollarExpression", false,
                                                    collar_expression_entries};
constexpr const enum_table& names_of(CollarExpression /*unused*/) {
    return collar_expression_names;
}

// PriceUpdateType: 6 values
inline constexpr enum_entry price_update_type_entries[] = {
    {1, "ReferencePrice"}, {2, "ReferenceIndexPrice"}, {3, "ReferenceFixingIndexPrice"},
    {4, "MidPrice"},       {5, "FixingPrice"},         {6, "FixingYtm"}};
inline constexpr enum_table price_update_type_names{"PriceUpdateType", false,
                                                    price_update_type_entries};
constexpr const enum_table& names_of(PriceUpdateType /*unused*/) { return price_update_type_names; }

// PriceYtmPresence: 7 values
inline constexpr enum_entry price_ytm_presence_entries[] = {
    {0, "None"},      {1, "value"},         {2, "valueBid"},     {4, "valueAsk"},
    {8, "YtmNoCalc"}, {16, "YtmBidNoCalc"}, {32, "YtmAskNoCalc"}};
inline constexpr enum_table price_ytm_presence_names{"PriceYtmPresence", false,
                                                     price_ytm_presence_entries};
constexpr const enum_table& names_of(PriceYtmPresence /*unused*/) {
    return price_ytm_presence_names;
}

// AuctionType: 9 values
inline constexpr enum_entry auction_type_entries[] = {{1, "NotApplicable"},
                                                      {2, "OpeningAuction"},
                                                      {3, "ClosingAuction"},
                                                      {4, "IntradayAuction"},
                                                      {5, "VolatilityAuctionStatic"},
                                                      {6, "VolatilityAuctionDynamic"},
                                                      {7, "ExtendedVolatilityAuctionStatic"},
                                                      {8, "ExtendedVolatilityAuctionDynamic"},
                                                      {9, "UnsuspensionAuction"}};
inline constexpr enum_table auction_type_names{"AuctionType", false, auction_type_entries};
constexpr const enum_table& names_of(AuctionType /*unused*/) { return auction_type_names; }

// MarketModelType: 8 values
inline constexpr enum_entry market_model_type_entries[] = {
    {1, "NotApplicable"}, {2, "CLOB"}, {3, "BLOCK"},       {4, "HYBRID"},
    {5, "CROSS"},         {6, "IPO"},  {7, "TenderOffer"}, {8, "Redistribution"}};
inline constexpr enum_table market_model_type_names{"MarketModelType", false,
                                                    market_model_type_entries};
constexpr const enum_table& names_of(MarketModelType /*unused*/) { return market_model_type_names; }

// ProductType: 8 values
inline constexpr enum_entry product_type_entries[] = {
    {1, "Equity"}, {2, "FixedIncome"}, {3, "DerivativeFutures"}, {4, "DerivativeOptions"},
    {5, "Index"},  {6, "Currency"},    {7, "StructuredProduct"}, {9, "Tracker"}};
inline constexpr enum_table product_type_names{"ProductType", false, product_type_entries};
constexpr const enum_table& names_of(ProductType /*unused*/) { return product_type_names; }

// ProductSubtype: 56 values
inline constexpr enum_entry product_subtype_entries[] = {{1, "Share"},
                                                         {2, "AllotmentRight"},
                                                         {3, "SubscriptionRight"},
                                                         {4, "TenderOffer"},
                                                         {5, "IssueRight"},
                                                         {6, "SubscriptionWarrant"},
                                                         {7, "BankSecurities"},
                                                         {8, "Bond"},
                                                         {9, "TreasuryBond"},
                                                         {10, "AgencyBond"},
                                                         {11, "MunicipalBond"},
                                                         {12, "CorporateBankBond"},
                                                         {13, "CorporateFirmBond"},
                                                         {14, "ConvertibleBond"},
                                                         {15, "MortgageBond"},
                                                         {16, "MortgageBackedBond"},
                                                         {17, "PublicMortgageBond"},
                                                         {18, "Bill"},
                                                         {19, "TreasuryBill"},
                                                         {20, "CommercialBill"},
                                                         {21, "ExchangeTradedFund"},
                                                         {22, "ExchangeTradedNote"},
                                                         {23, "ExchangeTradedCommodity"},
                                                         {24, "InvestmentCertificate"},
                                                         {25, "IndexFutures"},
                                                         {26, "StockFutures"},
                                                         {27, "CurrencyFutures"},
                                                         {28, "BondFutures"},
                                                         {29, "InterestRateFutures"},
                                                         {30, "IndexOptions"},
                                                         {31, "StockOptions"},
                                                         {32, "OptionWarrants"},
                                                         {33, "FactorCertificates"},
                                                         {34, "TurboCertificates"},
                                                         {35, "CapitalProtectionCertificates"},
                                                         {36, "BonusCertificates"},
                                                         {37, "ReverseConvertibleCertificates"},
                                                         {38, "ExpressCertificates"},
                                                         {39, "DiscountCertificates"},
                                                         {40, "IndexTrackerCertificates"},
                                                         {41, "OtherInvestmentCertificates"},
                                                         {42, "StructuredNotes"},
                                                         {43, "ReferenceRate"},
                                                         {44, "InterestRate"},
                                                         {45, "ExchangeRate"},
                                                         {46, "PriceIndex"},
                                                         {47, "TotalReturnIndex"},
                                                         {48, "SectorPriceIndex"},
                                                         {49, "SectorTotalReturnIndex"},
                                                         {50, "DividendIndex"},
                                                         {51, "StrategyPriceIndex"},
                                                         {52, "StrategyTotalReturnIndex"},
                                                         {53, "CommodityIndex"},
                                                         {54, "BondTotalReturnIndex"},
                                                         {55, "SupranationalBond"},
                                                         {56, "WarrantWithKnockOut"}};
inline constexpr enum_table product_subtype_names{"ProductSubtype", false, product_subtype_entries};
constexpr const enum_table& names_of(ProductSubtype /*unused*/) { return product_subtype_names; }

// NominalValueType: 2 values
inline constexpr enum_entry nominal_value_type_entries[] = {{1, "NotApplicable"}, {2, "Constant"}};
inline constexpr enum_table nominal_value_type_names{"NominalValueType", false,
                                                     nominal_value_type_entries};
constexpr const enum_table& names_of(NominalValueType /*unused*/) {
    return nominal_value_type_names;
}

// BondCouponType: 5 values
inline constexpr enum_entry bond_coupon_type_entries[] = {
    {1, "NotApplicable"}, {2, "Zero"}, {3, "Fixed"}, {4, "Floating"}, {5, "Indexed"}};
inline constexpr enum_table bond_coupon_type_names{"BondCouponType", false,
                                                   bond_coupon_type_entries};
constexpr const enum_table& names_of(BondCouponType /*unused*/) { return bond_coupon_type_names; }

// Country: 249 values
inline constexpr enum_entry country_entries[] = {
    {4, "AFG"},   {8, "ALB"},   {10, "ATA"},  {12, "DZA"},  {16, "ASM"},  {20, "AND"},
    {24, "AGO"},  {28, "ATG"},  {31, "AZE"},  {32, "ARG"},  {36, "AUS"},  {40, "AUT"},
    {44, "BHS"},  {48, "BHR"},  {50, "BGD"},  {51, "ARM"},  {52, "BRB"},  {56, "BEL"},
    {60, "BMU"},  {64, "BTN"},  {68, "BOL"},  {70, "BIH"},  {72, "BWA"},  {74, "BVT"},
    {76, "BRA"},  {84, "BLZ"},  {86, "IOT"},  {90, "SLB"},  {92, "VGB"},  {96, "BRN"},
    {100, "BGR"}, {104, "MMR"}, {108, "BDI"}, {112, "BLR"}, {116, "KHM"}, {120, "CMR"},
    {124, "CAN"}, {132, "CPV"}, {136, "CYM"}, {140, "CAF"}, {144, "LKA"}, {148, "TCD"},
    {152, "CHL"}, {156, "CHN"}, {158, "TWN"}, {162, "CXR"}, {166, "CCK"}, {170, "COL"},
    {174, "COM"}, {175, "MYT"}, {178, "COG"}, {180, "COD"}, {184, "COK"}, {188, "CRI"},
    {191, "HRV"}, {192, "CUB"}, {196, "CYP"}, {203, "CZE"}, {204, "BEN"}, {208, "DNK"},
    {212, "DMA"}, {214, "DOM"}, {218, "ECU"}, {222, "SLV"}, {226, "GNQ"}, {231, "ETH"},
    {232, "ERI"}, {233, "EST"}, {234, "FRO"}, {238, "FLK"}, {239, "SGS"}, {242, "FJI"},
    {246, "FIN"}, {248, "ALA"}, {250, "FRA"}, {254, "GUF"}, {258, "PYF"}, {260, "ATF"},
    {262, "DJI"}, {266, "GAB"}, {268, "GEO"}, {270, "GMB"}, {275, "PSE"}, {276, "DEU"},
    {288, "GHA"}, {292, "GIB"}, {296, "KIR"}, {300, "GRC"}, {304, "GRL"}, {308, "GRD"},
    {312, "GLP"}, {316, "GUM"}, {320, "GTM"}, {324, "GIN"}, {328, "GUY"}, {332, "HTI"},
    {334, "HMD"}, {336, "VAT"}, {340, "HND"}, {344, "HKG"}, {348, "HUN"}, {352, "ISL"},
    {356, "IND"}, {360, "IDN"}, {364, "IRN"}, {368, "IRQ"}, {372, "IRL"}, {376, "ISR"},
    {380, "ITA"}, {384, "CIV"}, {388, "JAM"}, {392, "JPN"}, {398, "KAZ"}, {400, "JOR"},
    {404, "KEN"}, {408, "PRK"}, {410, "KOR"}, {414, "KWT"}, {417, "KGZ"}, {418, "LAO"},
    {422, "LBN"}, {426, "LSO"}, {428, "LVA"}, {430, "LBR"}, {434, "LBY"}, {438, "LIE"},
    {440, "LTU"}, {442, "LUX"}, {446, "MAC"}, {450, "MDG"}, {454, "MWI"}, {458, "MYS"},
    {462, "MDV"}, {466, "MLI"}, {470, "MLT"}, {474, "MTQ"}, {478, "MRT"}, {480, "MUS"},
    {484, "MEX"}, {492, "MCO"}, {496, "MNG"}, {498, "MDA"}, {499, "MNE"}, {500, "MSR"},
    {504, "MAR"}, {508, "MOZ"}, {512, "OMN"}, {516, "NAM"}, {520, "NRU"}, {524, "NPL"},
    {528, "NLD"}, {531, "CUW"}, {533, "ABW"}, {534, "SXM"}, {535, "BES"}, {540, "NCL"},
    {548, "VUT"}, {554, "NZL"}, {558, "NIC"}, {562, "NER"}, {566, "NGA"}, {570, "NIU"},
    {574, "NFK"}, {578, "NOR"}, {580, "MNP"}, {581, "UMI"}, {583, "FSM"}, {584, "MHL"},
    {585, "PLW"}, {586, "PAK"}, {591, "PAN"}, {598, "PNG"}, {600, "PRY"}, {604, "PER"},
    {608, "PHL"}, {612, "PCN"}, {616, "POL"}, {620, "PRT"}, {624, "GNB"}, {626, "TLS"},
    {630, "PRI"}, {634, "QAT"}, {638, "REU"}, {642, "ROU"}, {643, "RUS"}, {646, "RWA"},
    {652, "BLM"}, {654, "SHN"}, {659, "KNA"}, {660, "AIA"}, {662, "LCA"}, {663, "MAF"},
    {666, "SPM"}, {670, "VCT"}, {674, "SMR"}, {678, "STP"}, {682, "SAU"}, {686, "SEN"},
    {688, "SRB"}, {690, "SYC"}, {694, "SLE"}, {702, "SGP"}, {703, "SVK"}, {704, "VNM"},
    {705, "SVN"}, {706, "SOM"}, {710, "ZAF"}, {716, "ZWE"}, {724, "ESP"}, {728, "SSD"},
    {729, "SDN"}, {732, "ESH"}, {740, "SUR"}, {744, "SJM"}, {748, "SWZ"}, {752, "SWE"},
    {756, "CHE"}, {760, "SYR"}, {762, "TJK"}, {764, "THA"}, {768, "TGO"}, {772, "TKL"},
    {776, "TON"}, {780, "TTO"}, {784, "ARE"}, {788, "TUN"}, {792, "TUR"}, {795, "TKM"},
    {796, "TCA"}, {798, "TUV"}, {800, "UGA"}, {804, "UKR"}, {807, "MKD"}, {818, "EGY"},
    {826, "GBR"}, {831, "GGY"}, {832, "JEY"}, {833, "IMN"}, {834, "TZA"}, {840, "USA"},
    {850, "VIR"}, {854, "BFA"}, {858, "URY"}, {860, "UZB"}, {862, "VEN"}, {876, "WLF"},
    {882, "WSM"}, {887, "YEM"}, {894, "ZMB"}};
inline constexpr enum_table country_names{"Country", false, country_entries};
constexpr const enum_table& names_of(Country /*unused*/) { return country_names; }

// UsIndicator: 3 values
inline constexpr enum_entry us_indicator_entries[] = {
    {1, "NotApplicable"}, {2, "RegulationS"}, {3, "RegulationSPlusRule144A"}};
inline constexpr enum_table us_indicator_names{"UsIndicator", false, us_indicator_entries};
constexpr const enum_table& names_of(UsIndicator /*unused*/) { return us_indicator_names; }

// SettlementType: 3 values
inline constexpr enum_entry settlement_type_entries[] = {
    {1, "NotApplicable"}, {2, "CashSettlement"}, {3, "PhysicalDelivery"}};
inline constexpr enum_table settlement_type_names{"SettlementType", false, settlement_type_entries};
constexpr const enum_table& names_of(SettlementType /*unused*/) { return settlement_type_names; }

// OptionType: 3 values
inline constexpr enum_entry option_type_entries[] = {{1, "NotApplicable"}, {2, "Call"}, {3, "Put"}};
inline constexpr enum_table option_type_names{"OptionType", false, option_type_entries};
constexpr const enum_table& names_of(OptionType /*unused*/) { return option_type_names; }

// ExerciseType: 3 values
inline constexpr enum_entry exercise_type_entries[] = {{1, "AMER"}, {2, "EURO"}, {3, "NA"}};
inline constexpr enum_table exercise_type_names{"ExerciseType", false, exercise_type_entries};
constexpr const enum_table& names_of(ExerciseType /*unused*/) { return exercise_type_names; }

// IsLeverage: 3 values
inline constexpr enum_entry is_leverage_entries[] = {{1, "NotApplicable"}, {2, "Yes"}, {3, "No"}};
inline constexpr enum_table is_leverage_names{"IsLeverage", false, is_leverage_entries};
constexpr const enum_table& names_of(IsLeverage /*unused*/) { return is_leverage_names; }

// LoginFilter: 3 values
inline constexpr enum_entry login_filter_entries[] = {{0, "None"}, {1, "Trades"}, {2, "RefData"}};
inline constexpr enum_table login_filter_names{"LoginFilter", false, login_filter_entries};
constexpr const enum_table& names_of(LoginFilter /*unused*/) { return login_filter_names; }

// LoginResult: 5 values
inline constexpr enum_entry login_result_entries[] = {
    {1, "Ok"}, {2, "InvalidToken"}, {3, "AlreadyLoggedIn"}, {4, "LoginNotAllowed"}, {5, "Other"}};
inline constexpr enum_table login_result_names{"LoginResult", false, login_result_entries};
constexpr const enum_table& names_of(LoginResult /*unused*/) { return login_result_names; }

// OrderBookEventType: 3 values
inline constexpr enum_entry order_book_event_type_entries[] = {
    {1, "Clear"}, {2, "ResendStart"}, {3, "ResendEnd"}};
inline constexpr enum_table order_book_event_type_names{"OrderBookEventType", false,
                                                        order_book_event_type_entries};
constexpr const enum_table& names_of(OrderBookEventType /*unused*/) {
    return order_book_event_type_names;
}

// IndexLevelCode: 8 values
inline constexpr enum_entry index_level_code_entries[] = {
    {1, "PreviousClosingValue"}, {2, "TheoreticalValueBeforeOpening"},
    {3, "ValueBeforeOpening"},   {4, "OpeningValue"},
    {5, "CurrentValue"},         {6, "PreClosingValue"},
    {7, "ClosingValue"},         {8, "ValueWithoutOpening"}};
inline constexpr enum_table index_level_code_names{"IndexLevelCode", false,
                                                   index_level_code_entries};
constexpr const enum_table& names_of(IndexLevelCode /*unused*/) { return index_level_code_names; }

// RealTimeIndexPresenceFlags: 6 values
inline constexpr enum_entry real_time_index_presence_flags_entries[] = {
    {0, "None"},
    {1, "HasTradingValue"},
    {2, "HasIndexValueBid"},
    {4, "HasIndexValueAsk"},
    {8, "HasMidSpreadIndex"},
    {16, "HasDifferenceCentralSpread"}};
inline constexpr enum_table real_time_index_presence_flags_names{
    "RealTimeIndexPresenceFlags", false, real_time_index_presence_flags_entries};
constexpr const enum_table& names_of(RealTimeIndexPresenceFlags /*unused*/) {
    return real_time_index_presence_flags_names;
}

// IndexSummaryPresenceFlags: 2 values
inline constexpr enum_entry index_summary_presence_flags_entries[] = {{0, "None"},
                                                                      {1, "HasSessionAvg"}};
inline constexpr enum_table index_summary_presence_flags_names{
    "IndexSummaryPresenceFlags", false, index_summary_presence_flags_entries};
constexpr const enum_table& names_of(IndexSummaryPresenceFlags /*unused*/) {
    return index_summary_presence_flags_names;
}

// IndexPublicationSchedule: 3 values
inline constexpr enum_entry index_publication_schedule_entries[] = {
    {1, "Continuous"}, {2, "Fixing"}, {3, "Closing"}};
inline constexpr enum_table index_publication_schedule_names{"IndexPublicationSchedule", false,
                                                             index_publication_schedule_entries};
constexpr const enum_table& names_of(IndexPublicationSchedule /*unused*/) {
    return index_publication_schedule_names;
}

// IndexPortfolioEntryPresenceFlags: 2 values
inline constexpr enum_entry index_portfolio_entry_presence_flags_entries[] = {
    {0, "None"}, {1, "HasInstrumentId"}};
inline constexpr enum_table index_portfolio_entry_presence_flags_names{
    "IndexPortfolioEntryPresenceFlags", false, index_portfolio_entry_presence_flags_entries};
constexpr const enum_table& names_of(IndexPortfolioEntryPresenceFlags /*unused*/) {
    return index_portfolio_entry_presence_flags_names;
}

// IndexType: 6 values
inline constexpr enum_entry index_type_entries[] = {{1, "W"}, {2, "Z"}, {3, "V"},
                                                    {4, "M"}, {5, "S"}, {6, "L"}};
inline constexpr enum_table index_type_names{"IndexType", false, index_type_entries};
constexpr const enum_table& names_of(IndexType /*unused*/) { return index_type_names; }

// IndexParamsPresenceFlags: 3 values
inline constexpr enum_entry index_params_presence_flags_entries[] = {
    {0, "None"}, {1, "HasDaysSinceLastPublication"}, {2, "HasNumberOfDividends"}};
inline constexpr enum_table index_params_presence_flags_names{"IndexParamsPresenceFlags", true,
                                                              index_params_presence_flags_entries};
constexpr const enum_table& names_of(IndexParamsPresenceFlags /*unused*/) {
    return index_params_presence_flags_names;
}

// IndexUnderlyingType: 2 values
inline constexpr enum_entry index_underlying_type_entries[] = {{1, "Index"}, {2, "ReferenceRate"}};
inline constexpr enum_table index_underlying_type_names{"IndexUnderlyingType", false,
                                                        index_underlying_type_entries};
constexpr const enum_table& names_of(IndexUnderlyingType /*unused*/) {
    return index_underlying_type_names;
}

// ClosingPriceType: 6 values
inline constexpr enum_entry closing_price_type_entries[] = {{1, "InitialPrice"},
                                                            {2, "LTP"},
                                                            {3, "LastACP"},
                                                            {4, "FairValue"},
                                                            {5, "DailySettlementPrice"},
                                                            {6, "FinalSettlementPrice"}};
inline constexpr enum_table closing_price_type_names{"ClosingPriceType", false,
                                                     closing_price_type_entries};
constexpr const enum_table& names_of(ClosingPriceType /*unused*/) {
    return closing_price_type_names;
}

// AdjustedClosingPriceReason: 11 values
inline constexpr enum_entry adjusted_closing_price_reason_entries[] = {
    {1, "NotApplicable"},  {2, "Regular"},      {3, "Dividend"},    {4, "IssueRight"},
    {5, "Split"},          {6, "ReverseSplit"}, {7, "Bonus"},       {8, "SpinOff"},
    {9, "TickSizeChange"}, {10, "OrderPurge"},  {11, "OtherReason"}};
inline constexpr enum_table adjusted_closing_price_reason_names{
    "AdjustedClosingPriceReason", false, adjusted_closing_price_reason_entries};
constexpr const enum_table& names_of(AdjustedClosingPriceReason /*unused*/) {
    return adjusted_closing_price_reason_names;
}

// MarkerPriceChange: 4 values
inline constexpr enum_entry marker_price_change_entries[] = {
    {1, "Increase"}, {2, "Decrease"}, {3, "NoChange"}, {4, "NotApplicable"}};
inline constexpr enum_table marker_price_change_names{"MarkerPriceChange", false,
                                                      marker_price_change_entries};
constexpr const enum_table& names_of(MarkerPriceChange /*unused*/) {
    return marker_price_change_names;
}

// QuotationSystem: 4 values
inline constexpr enum_entry quotation_system_entries[] = {{1, "NA"},
                                                          {2, "SinglePriceSingleFixing"},
                                                          {3, "ContinuousTrading"},
                                                          {4, "SinglePriceTwoFixings"}};
inline constexpr enum_table quotation_system_names{"QuotationSystem", false,
                                                   quotation_system_entries};
constexpr const enum_table& names_of(QuotationSystem /*unused*/) { return quotation_system_names; }

// TestEventType: 3 values
inline constexpr enum_entry test_event_type_entries[] = {
    {1, "Flush"}, {2, "ScenarioStart"}, {3, "ScenarioEnd"}};
inline constexpr enum_table test_event_type_names{"TestEventType", false, test_event_type_entries};
constexpr const enum_table& names_of(TestEventType /*unused*/) { return test_event_type_names; }

// PosType: 3 values
inline constexpr enum_entry pos_type_entries[] = {{1, "SOD"}, {2, "ITD"}, {3, "FIN"}};
inline constexpr enum_table pos_type_names{"PosType", false, pos_type_entries};
constexpr const enum_table& names_of(PosType /*unused*/) { return pos_type_names; }

// The wire value of E that the table names `text`, looked up at compile time:
// code that writes an enumerated value names it as the tool prints it, and a
// text the table lacks fails the build.
template <class E>
consteval std::underlying_type_t<E> wire_value(std::string_view text) {
    const std::span<const enum_entry> entries = names_of(E{}).entries;
    const auto found = std::ranges::find(entries, text, &enum_entry::text);
    if (found == entries.end()) {
        throw std::logic_error("no value of that name in the enumeration");
    }
    return static_cast<std::underlying_type_t<E>>(found->value);
}

}  // namespace tarn::md
