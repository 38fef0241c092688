#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "md/enum_to_description.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {
namespace {

std::string rendered(const enum_table& table, std::int32_t value) {
    text_stream out;
    write_enum(out, table, value);
    return std::string(out.view());
}

TEST(Enumerations, HolderHasTheTablesInOrderWithTheirSizes) {
    const std::vector<std::pair<std::string_view, std::size_t>> expected = {
        {"MsgType", 41},
        {"Side", 2},
        {"PriorityFlag", 2},
        {"TradingSessionEvent", 11},
        {"TradingPhaseType", 22},
        {"InstrumentStatus", 9},
        {"CalendarExceptionType", 2},
        {"ProductIdentificationType", 2},
        {"Currency", 180},
        {"PriceExpressionType", 3},
        {"MmtMarketMechanism", 7},
        {"MmtTradingMode", 11},
        {"MmtTransactionCategory", 5},
        {"MmtNegotiationIndicator", 8},
        {"MmtAgencyCrossTradeIndicator", 2},
        {"MmtModificationIndicator", 3},
        {"MmtBenchmarkReferencePriceIndicator", 3},
        {"MmtSpecialDividendIndicator", 2},
        {"MmtOffBookAutomatedIndicator", 3},
        {"MmtOrdinaryTradeIndicator", 4},
        {"MmtAlgorithmicIndicator", 2},
        {"MmtPostTradeDeferralReason", 7},
        {"MmtPostTradeDeferralType", 7},
        {"CollarMode", 2},
        {"CollarExpression", 2},
        {"PriceUpdateType", 6},
        {"PriceYtmPresence", 7},
        {"AuctionType", 9},
        {"MarketModelType", 8},
        {"ProductType", 8},
        {"ProductSubtype", 56},
        {"NominalValueType", 2},
        {"BondCouponType", 5},
        {"Country", 249},
        {"UsIndicator", 3},
        {"SettlementType", 3},
        {"OptionType", 3},
        {"ExerciseType", 3},
        {"IsLeverage", 3},
        {"LoginFilter", 3},
        {"LoginResult", 5},
        {"OrderBookEventType", 3},
        {"IndexLevelCode", 8},
        {"RealTimeIndexPresenceFlags", 6},
        {"IndexSummaryPresenceFlags", 2},
        {"IndexPublicationSchedule", 3},
        {"IndexPortfolioEntryPresenceFlags", 2},
        {"IndexType", 6},
        {"IndexParamsPresenceFlags", 3},
        {"IndexUnderlyingType", 2},
        {"ClosingPriceType", 6},
        {"AdjustedClosingPriceReason", 11},
        {"MarkerPriceChange", 4},
        {"QuotationSystem", 4},
        {"TestEventType", 3},
        {"PosType", 3},
    };
    const auto& tables = enum_to_description::instance().tables();
    ASSERT_EQ(tables.size(), expected.size());
    for (std::size_t i = 0; i < tables.size(); ++i) {
        EXPECT_EQ(tables[i]->name, expected[i].first) << "table " << i;
        EXPECT_EQ(tables[i]->entries.size(), expected[i].second) << expected[i].first;
        EXPECT_EQ(tables[i]->is_signed, expected[i].first == "IndexParamsPresenceFlags");
    }
}

TEST(Enumerations, DescribedValuesPrintTheirNames) {
    EXPECT_EQ(rendered(currency_names, 978), "978(EUR)");
    EXPECT_EQ(rendered(currency_names, 8), "8(ALL)");
    EXPECT_EQ(rendered(currency_names, 999), "999(XXX)");
    EXPECT_EQ(rendered(country_names, 276), "276(DEU)");
    EXPECT_EQ(rendered(country_names, 4), "4(AFG)");
    EXPECT_EQ(rendered(country_names, 894), "894(ZMB)");
    EXPECT_EQ(rendered(product_subtype_names, 1), "1(Share)");
    EXPECT_EQ(rendered(product_subtype_names, 56), "56(WarrantWithKnockOut)");
    EXPECT_EQ(rendered(msg_type_names, 8192), "8192(TestEvent)");
    EXPECT_EQ(rendered(real_time_index_presence_flags_names, 16), "16(HasDifferenceCentralSpread)");
    EXPECT_EQ(rendered(price_ytm_presence_names, 0), "0(None)");
    EXPECT_EQ(rendered(price_ytm_presence_names, 32), "32(YtmAskNoCalc)");
    EXPECT_EQ(rendered(product_type_names, 9), "9(Tracker)");
}

TEST(Enumerations, DescriptionWithTrailingSpaceIsKept) {
    EXPECT_EQ(rendered(mmt_transaction_category_names, 2), "2(TradePriceImprovement )");
}

TEST(Enumerations, ValuesWithoutDescriptionPrintTheirNumberTwice) {
    EXPECT_EQ(rendered(side_names, 0), "0(0)");
    EXPECT_EQ(rendered(side_names, 7), "7(7)");
    EXPECT_EQ(rendered(currency_names, 0), "0(0)");
    EXPECT_EQ(rendered(trading_session_event_names, 10), "10(10)");
    EXPECT_EQ(rendered(trading_session_event_names, 11), "11(11)");
    EXPECT_EQ(rendered(instrument_status_names, 7), "7(7)");
    EXPECT_EQ(rendered(product_type_names, 8), "8(8)");
    EXPECT_EQ(rendered(msg_type_names, 2), "2(2)");
    EXPECT_EQ(rendered(msg_type_names, 65535), "65535(65535)");
    // Flags are looked up as a whole: two bits set have no description.
    EXPECT_EQ(rendered(real_time_index_presence_flags_names, 3), "3(3)");
}

TEST(Enumerations, SignedTableComparesSignedBytes) {
    EXPECT_EQ(rendered(index_params_presence_flags_names, -1), "-1(-1)");
    EXPECT_EQ(rendered(index_params_presence_flags_names, -128), "-128(-128)");
    EXPECT_EQ(rendered(index_params_presence_flags_names, 2), "2(HasNumberOfDividends)");
}

TEST(Enumerations, FallbacksInARowEachShowTheirOwnNumber) {
    text_stream out;
    write_enum(out, trading_session_event_names, 10);
    write_enum(out, side_names, 0);
    write_enum(out, side_names, 1);
    write_enum(out, country_names, 1);
    EXPECT_EQ(out.view(), "10(10)0(0)1(Buy)1(1)");
}

TEST(Enumerations, DescribeByEnumerationType) {
    auto& names = enum_to_description::instance();
    EXPECT_EQ(names.describe(MsgType::OrderAdd), "OrderAdd");
    EXPECT_EQ(names.describe(Side{2}), "Sell");
    EXPECT_EQ(names.describe(Currency{978}), "EUR");
    EXPECT_EQ(names.describe(IndexParamsPresenceFlags{-1}), "-1");
    const std::string first(names.describe(Side{9}));
    EXPECT_EQ(first, "9");
    EXPECT_EQ(names.describe(Country{2}), "2");
}

}  // namespace
}  // namespace tarn::md
