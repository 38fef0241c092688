#include <gtest/gtest.h>

#include <string>

#include "md/enum_to_description.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {
namespace {

// Every table, in order, with its number of entries as the protocol lists them.
TEST(Enumerations, HolderHasTheTablesInOrderWithTheirSizes) {
    std::string tables;
    for (const enum_table* table : enum_to_description::instance().tables()) {
        tables += std::string(table->name) + ":" + std::to_string(table->entries.size()) +
                  (table->is_signed ? "s " : " ");
    }
    EXPECT_EQ(tables,
              "MsgType:41 Side:2 PriorityFlag:2 TradingSessionEvent:11 TradingPhaseType:22 "
              "InstrumentStatus:9 CalendarExceptionType:2 ProductIdentificationType:2 Currency:180 "
              "PriceExpressionType:3 MmtMarketMechanism:7 MmtTradingMode:11 "
              "MmtTransactionCategory:5 MmtNegotiationIndicator:8 MmtAgencyCrossTradeIndicator:2 "
              "MmtModificationIndicator:3 MmtBenchmarkReferencePriceIndicator:3 "
              "MmtSpecialDividendIndicator:2 MmtOffBookAutomatedIndicator:3 "
              "MmtOrdinaryTradeIndicator:4 MmtAlgorithmicIndicator:2 MmtPostTradeDeferralReason:7 "
              "MmtPostTradeDeferralType:7 CollarMode:2 CollarExpression:2 PriceUpdateType:6 "
              "PriceYtmPresence:7 AuctionType:9 MarketModelType:8 ProductType:8 ProductSubtype:56 "
              "NominalValueType:2 BondCouponType:5 Country:249 UsIndicator:3 SettlementType:3 "
              "OptionType:3 ExerciseType:3 IsLeverage:3 LoginFilter:3 LoginResult:5 "
              "OrderBookEventType:3 IndexLevelCode:8 RealTimeIndexPresenceFlags:6 "
              "IndexSummaryPresenceFlags:2 IndexPublicationSchedule:3 "
              "IndexPortfolioEntryPresenceFlags:2 IndexType:6 IndexParamsPresenceFlags:3s "
              "IndexUnderlyingType:2 ClosingPriceType:6 AdjustedClosingPriceReason:11 "
              "MarkerPriceChange:4 QuotationSystem:4 TestEventType:3 PosType:3 ");
}

// Described values print their names; others their number twice, each its
// own number even when several follow one another. Flags are looked up as a
// whole (two bits set have no name); the signed table compares signed bytes.
TEST(Enumerations, ValuesPrintTheirNameOrTheirNumber) {
    text_stream out;
    const auto write = [&out](const enum_table& table, std::initializer_list<std::int32_t> values) {
        for (const std::int32_t value : values) {
            write_enum(out, table, value) << ' ';
        }
    };
    write(currency_names, {978, 8, 999, 0});
    write(country_names, {276, 4, 894, 1});
    write(product_subtype_names, {1, 56});
    write(msg_type_names, {8192, 2, 65535});
    write(real_time_index_presence_flags_names, {16, 3});
    write(price_ytm_presence_names, {0, 32});
    write(product_type_names, {9, 8});
    write(mmt_transaction_category_names, {2});
    write(side_names, {0, 1, 7});
    write(trading_session_event_names, {10, 11});
    write(instrument_status_names, {7});
    write(index_params_presence_flags_names, {-1, -128, 2});
    EXPECT_EQ(out.view(),
              "978(EUR) 8(ALL) 999(XXX) 0(0) 276(DEU) 4(AFG) 894(ZMB) 1(1) 1(Share) "
              "56(WarrantWithKnockOut) 8192(TestEvent) 2(2) 65535(65535) "
              "16(HasDifferenceCentralSpread) 3(3) 0(None) 32(YtmAskNoCalc) 9(Tracker) 8(8) "
              "2(TradePriceImprovement ) 0(0) 1(Buy) 7(7) 10(10) 11(11) 7(7) -1(-1) -128(-128) "
              "2(HasNumberOfDividends) ");
}

TEST(Enumerations, DescribeByEnumerationType) {
    auto& names = enum_to_description::instance();
    EXPECT_EQ(names.describe(MsgType::OrderAdd), "OrderAdd");
    EXPECT_EQ(names.describe(Side{2}), "Sell");
    EXPECT_EQ(names.describe(Currency{978}), "EUR");
    EXPECT_EQ(names.describe(IndexParamsPresenceFlags{-1}), "-1");
    EXPECT_EQ(std::string(names.describe(Side{9})), "9");
    EXPECT_EQ(names.describe(Country{2}), "2");
}

}  // namespace
}  // namespace tarn::md
