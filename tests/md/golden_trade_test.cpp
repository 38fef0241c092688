// Full text of the trade and statistics messages, every field set.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "md/message_builder.hpp"
#include "render.hpp"

namespace tarn::md {
namespace {

using tarn::testing::full_text;

// All messages of this file carry these header values; only length and type vary.
message_builder message(std::uint16_t type, std::size_t size) {
    message_builder m(static_cast<MsgType>(type), size);
    m.version(4)
        .seq_num(38)
        .timestamp(1000000000000000000ULL)
        .source_timestamp(1000000000999999999ULL)
        .is_encrypted(0)
        .encryption_offset(4294967296ULL)
        .encryption_key_id(65536)
        .session_id(256)
        .stream_id(128);
    return m;
}

// The header text of such a message; `type` is the code and its name, as in "38(Trade)".
std::string header(std::size_t length, std::string_view type) {
    return "length=" + std::to_string(length) + "|MsgType=" + std::string(type) +
           "|version=4|seqNum=38"
           "|timestamp=1000000000000000000(2001-09-09T01:46:40.000000000)"
           "|sourceTimestamp=1000000000999999999(2001-09-09T01:46:40.999999999)"
           "|isEncrypted=0|encryptionOffset=4294967296|encryptionKeyId=65536|sessionId=256"
           "|streamId=128|";
}

std::string dots(std::size_t count) { return std::string(count, '.'); }

// The thirteen trade flags from offset 207 on, in wire order.
constexpr std::array<std::string_view, 13> mmt_names = {
    "mmtMarketMechanism",
    "mmtTradingMode",
    "mmtTransactionCategory",
    "mmtNegotiationIndicator",
    "mmtAgencyCrossTradeIndicator",
    "mmtModificationIndicator",
    "mmtBenchmarkReferencePriceIndicator",
    "mmtSpecialDividendIndicator",
    "mmtOffBookAutomatedIndicator",
    "mmtOrdinaryTradeIndicator",
    "mmtAlgorithmicIndicator",
    "mmtPostTradeDeferralReason",
    "mmtPostTradeDeferralType",
};

constexpr std::array<std::uint8_t, 13> mmt_values = {1, 11, 2, 8, 2, 3, 3, 1, 2, 4, 1, 7, 6};

const std::array<std::string, 13> mmt_texts = {
    "1(CentralLimitOrderBook)",
    "11(TradeReportingSystematicInternaliser)",
    "2(TradePriceImprovement )",
    "8(PreTradeTransparencyWaiversIlqdAndSize)",
    "2(NoAgencyCrossTrade)",
    "3(NewTrade)",
    "3(NoBenchmarkorReferencePriceTrade)",
    "1(SpecialDividendTrade)",
    "2(OffBookNonAutomated)",
    "4(PricePending)",
    "1(AlgorithmicTrade)",
    "7(NonImmediatePublicationIlqdAndLrgs)",
    "6(VolumeOmissionTradeAggregated)",
};

message_builder trade(std::uint16_t price_currency, const std::array<std::uint8_t, 13>& mmt) {
    auto m = message(38, 220);
    m.put<std::uint32_t>(42, 3800000000U)
        .put<std::int64_t>(46, -4646464646LL)
        .put<std::uint32_t>(54, 20231116)
        .put<std::uint64_t>(58, 1700000000123456789ULL)
        .text(66, "XX0000000001", 30)
        .put<std::uint8_t>(96, 2)
        .put<std::int64_t>(97, -9797)
        .put<std::uint16_t>(105, price_currency)
        .put<std::uint8_t>(107, 3)
        .put<std::uint64_t>(108, 10810810810ULL)
        .put<std::int64_t>(116, 116116)
        .put<std::uint16_t>(124, 756)
        .text(126, "XT", 4)
        .put<std::uint64_t>(130, 1700000000000000042ULL)
        .put<std::uint32_t>(138, 4000000138U)
        .put<std::uint8_t>(142, 1)
        .put<std::int64_t>(143, -143)
        .put<std::int64_t>(151, 151)
        .put<std::uint64_t>(159, 159)
        .put<std::uint64_t>(167, 167167)
        .put<std::int64_t>(175, 175175)
        .put<std::int64_t>(183, 183)
        .put<std::int64_t>(191, 191)
        .put<std::int64_t>(199, -199);
    for (std::size_t i = 0; i < mmt.size(); ++i) {
        m.put<std::uint8_t>(207 + i, mmt[i]);
    }
    return m;
}

// The text of the trade above, with the given priceCurrency and mmt values printed.
std::string trade_text(std::string_view price_currency,
                       const std::array<std::string, 13>& mmt_text) {
    std::string text = header(220, "38(Trade)") +
                       "|instrumentId=3800000000|settlementValue=-4646464646"
                       "|settlementDate=20231116"
                       "|tradingTimestamp=1700000000123456789(2023-11-14T22:13:20.123456789)"
                       "|publicProductIdentification=|productIdentification=XX0000000001" +
                       dots(18) + "|productIdentificationType=2(ISIN)|price=-9797|priceCurrency=" +
                       std::string(price_currency) +
                       "|priceNotation=3(NotApplicable)|quantity=10810810810"
                       "|nominalValue=116116|nominalCurrency=756(CHF)|mic=XT.."
                       "|publicationTimestamp=1700000000000000042(2023-11-14T22:13:20.000000042)"
                       "|tradeId=4000000138|tradeToBeCleared=1|pctChange=-143|vwap=151"
                       "|noTrades=159|totalVolume=167167|totalValue=175175|openingPrice=183"
                       "|maxPrice=191|minPrice=-199";
    for (std::size_t i = 0; i < mmt_names.size(); ++i) {
        text += "|" + std::string(mmt_names[i]) + "=" + mmt_text[i];
    }
    return text;
}

TEST(GoldenTrade, Trade) {
    EXPECT_EQ(full_text(trade(978, mmt_values)), trade_text("978(EUR)", mmt_texts));
}

TEST(GoldenTrade, TradeSpotCheck) {
    // The text around the price currency and the last flags, written out in full.
    const std::string text = full_text(trade(978, mmt_values));
    EXPECT_NE(text.find("|price=-9797|priceCurrency=978(EUR)|priceNotation=3(NotApplicable)|"),
              std::string::npos);
    EXPECT_TRUE(
        text.ends_with("|minPrice=-199|mmtMarketMechanism=1(CentralLimitOrderBook)"
                       "|mmtTradingMode=11(TradeReportingSystematicInternaliser)"
                       "|mmtTransactionCategory=2(TradePriceImprovement )"
                       "|mmtNegotiationIndicator=8(PreTradeTransparencyWaiversIlqdAndSize)"
                       "|mmtAgencyCrossTradeIndicator=2(NoAgencyCrossTrade)"
                       "|mmtModificationIndicator=3(NewTrade)"
                       "|mmtBenchmarkReferencePriceIndicator=3(NoBenchmarkorReferencePriceTrade)"
                       "|mmtSpecialDividendIndicator=1(SpecialDividendTrade)"
                       "|mmtOffBookAutomatedIndicator=2(OffBookNonAutomated)"
                       "|mmtOrdinaryTradeIndicator=4(PricePending)"
                       "|mmtAlgorithmicIndicator=1(AlgorithmicTrade)"
                       "|mmtPostTradeDeferralReason=7(NonImmediatePublicationIlqdAndLrgs)"
                       "|mmtPostTradeDeferralType=6(VolumeOmissionTradeAggregated)"))
        << text;
}

TEST(GoldenTrade, TradeWithUnknownPriceCurrency) {
    const std::string text = full_text(trade(1, mmt_values));
    EXPECT_EQ(text, trade_text("1(1)", mmt_texts));
    EXPECT_NE(text.find("|priceCurrency=1(1)|"), std::string::npos);
}

TEST(GoldenTrade, TradeWithAllFlagsZero) {
    std::array<std::string, 13> zero;
    zero.fill("0(0)");
    EXPECT_EQ(full_text(trade(978, {})), trade_text("978(EUR)", zero));
}

TEST(GoldenTrade, InstrumentSummary) {
    auto m = message(671, 137);
    m.put<std::uint32_t>(42, 671)
        .put<std::int64_t>(46, -4646)
        .put<std::int64_t>(54, 5454)
        .put<std::uint8_t>(62, 6)
        .put<std::int64_t>(63, -6363)
        .put<std::uint8_t>(71, 11)
        .put<std::int64_t>(72, -7272)
        .put<std::int64_t>(80, 8080)
        .put<std::uint64_t>(88, 8888)
        .put<std::uint64_t>(96, 9696)
        .put<std::int64_t>(104, 104104)
        .put<std::int64_t>(112, 112112)
        .put<std::int64_t>(120, 120120)
        .put<std::int64_t>(128, -128128)
        .put<std::uint8_t>(136, 1);
    EXPECT_EQ(full_text(m), header(137, "671(InstrumentSummary)") +
                                "|instrumentId=671|lastTradedPrice=-4646|closingPrice=5454"
                                "|closingPriceType=6(FinalSettlementPrice)"
                                "|adjustedClosingPrice=-6363"
                                "|adjustedClosingPriceReason=11(OtherReason)|pctChange=-7272"
                                "|vwap=8080|noTrades=8888|totalVolume=9696|totalValue=104104"
                                "|openingPrice=112112|maxPrice=120120|minPrice=-128128"
                                "|isCorrection=1");
}

// One 119-byte InstrumentStatistics block; the enumerations with their printed text.
struct statistics {
    std::uint32_t instrument_id;
    std::uint8_t market_model_type;
    std::string_view market_model_type_text;
    std::int64_t last_traded_price;
    std::int64_t closing_price;
    std::uint8_t closing_price_type;
    std::string_view closing_price_type_text;
    std::int64_t adjusted_closing_price;
    std::uint8_t adjusted_closing_price_reason;
    std::string_view adjusted_closing_price_reason_text;
    std::int64_t pct_change;
    std::int64_t vwap;
    std::uint64_t no_trades;
    std::uint64_t total_volume;
    std::int64_t total_value;
    std::int64_t opening_price;
    std::int64_t max_price;
    std::int64_t min_price;
    std::int64_t settlement_price;
    std::int64_t settlement_value;
    std::uint32_t end_trading_date;
    std::uint32_t last_trade_date;
};

void put_statistics(message_builder& m, std::size_t at, const statistics& s) {
    m.put<std::uint32_t>(at, s.instrument_id)
        .put<std::uint8_t>(at + 4, s.market_model_type)
        .put<std::int64_t>(at + 5, s.last_traded_price)
        .put<std::int64_t>(at + 13, s.closing_price)
        .put<std::uint8_t>(at + 21, s.closing_price_type)
        .put<std::int64_t>(at + 22, s.adjusted_closing_price)
        .put<std::uint8_t>(at + 30, s.adjusted_closing_price_reason)
        .put<std::int64_t>(at + 31, s.pct_change)
        .put<std::int64_t>(at + 39, s.vwap)
        .put<std::uint64_t>(at + 47, s.no_trades)
        .put<std::uint64_t>(at + 55, s.total_volume)
        .put<std::int64_t>(at + 63, s.total_value)
        .put<std::int64_t>(at + 71, s.opening_price)
        .put<std::int64_t>(at + 79, s.max_price)
        .put<std::int64_t>(at + 87, s.min_price)
        .put<std::int64_t>(at + 95, s.settlement_price)
        .put<std::int64_t>(at + 103, s.settlement_value)
        .put<std::uint32_t>(at + 111, s.end_trading_date)
        .put<std::uint32_t>(at + 115, s.last_trade_date);
}

std::string statistics_text(const statistics& s) {
    using std::to_string;
    return "|instrumentId=" + to_string(s.instrument_id) +
           "|marketModelType=" + std::string(s.market_model_type_text) +
           "|lastTradedPrice=" + to_string(s.last_traded_price) +
           "|closingPrice=" + to_string(s.closing_price) +
           "|closingPriceType=" + std::string(s.closing_price_type_text) +
           "|adjustedClosingPrice=" + to_string(s.adjusted_closing_price) +
           "|adjustedClosingPriceReason=" + std::string(s.adjusted_closing_price_reason_text) +
           "|pctChange=" + to_string(s.pct_change) + "|vwap=" + to_string(s.vwap) +
           "|noTrades=" + to_string(s.no_trades) + "|totalVolume=" + to_string(s.total_volume) +
           "|totalValue=" + to_string(s.total_value) +
           "|openingPrice=" + to_string(s.opening_price) + "|maxPrice=" + to_string(s.max_price) +
           "|minPrice=" + to_string(s.min_price) +
           "|settlementPrice=" + to_string(s.settlement_price) +
           "|settlementValue=" + to_string(s.settlement_value) +
           "|endTradingDate=" + to_string(s.end_trading_date) +
           "|lastTradeDate=" + to_string(s.last_trade_date);
}

const statistics clob = {4000000001U, 2,  "2(CLOB)",    -5,  13, 1,    "1(InitialPrice)",
                         -22,         2,  "2(Regular)", -31, 39, 47,   55,
                         63,          71, 79,           -87, 95, -103, 20231231,
                         20231130};
const statistics cross = {
    1001, 5,    "5(CROSS)", 1005, 1013, 2,    "2(LTP)", 1022, 3,    "3(Dividend)", 1031,
    1039, 1047, 1055,       1063, 1071, 1079, 1087,     1095, 1103, 20240131,      20240102};
const statistics block = {2001,
                          3,
                          "3(BLOCK)",
                          2005,
                          2013,
                          5,
                          "5(DailySettlementPrice)",
                          2022,
                          10,
                          "10(OrderPurge)",
                          2031,
                          2039,
                          18446744073709551615ULL,
                          2055,
                          2063,
                          2071,
                          2079,
                          2087,
                          2095,
                          2103,
                          20240229,
                          20240201};
const statistics hybrid = {3001,
                           4,
                           "4(HYBRID)",
                           3005,
                           3013,
                           4,
                           "4(FairValue)",
                           3022,
                           1,
                           "1(NotApplicable)",
                           3031,
                           3039,
                           3047,
                           3055,
                           3063,
                           3071,
                           3079,
                           3087,
                           3095,
                           3103,
                           20240331,
                           20240301};

const std::string zero_statistics =
    "|instrumentId=0|marketModelType=0(0)|lastTradedPrice=0|closingPrice=0"
    "|closingPriceType=0(0)|adjustedClosingPrice=0|adjustedClosingPriceReason=0(0)|pctChange=0"
    "|vwap=0|noTrades=0|totalVolume=0|totalValue=0|openingPrice=0|maxPrice=0|minPrice=0"
    "|settlementPrice=0|settlementValue=0|endTradingDate=0|lastTradeDate=0";

// The product's own fields after the four blocks.
void put_product_fields(message_builder& m, std::string_view identification,
                        std::uint32_t product_id) {
    m.put<std::uint8_t>(518, 2)
        .text(519, identification, 30)
        .put<std::uint32_t>(549, product_id)
        .text(553, "XPS", 4)
        .put<std::int64_t>(557, -557)
        .put<std::int64_t>(565, 565)
        .put<std::uint16_t>(573, 985)
        .put<std::uint32_t>(575, 20231114)
        .put<std::int64_t>(579, -579579579579LL)
        .put<std::uint8_t>(587, 3)
        .put<std::uint16_t>(588, 58800)
        .put<std::uint8_t>(590, 190)
        .put<std::uint8_t>(591, 2)
        .put<std::uint8_t>(592, 1)
        .put<std::int64_t>(593, 593)
        .put<std::int64_t>(601, 601)
        .put<std::int64_t>(609, 609)
        .put<std::int64_t>(617, -617)
        .put<std::int64_t>(625, 625)
        .put<std::int64_t>(633, -633)
        .put<std::int64_t>(641, 641)
        .put<std::int64_t>(649, 649)
        .put<std::int64_t>(657, 657)
        .put<std::int64_t>(665, 665)
        .put<std::uint8_t>(673, 1)
        .put<std::uint8_t>(674, 0)
        .put<std::uint8_t>(675, 1)
        .put<std::uint8_t>(676, 0)
        .put<std::uint8_t>(677, 4)
        .put<std::uint8_t>(678, 1);
}

std::string product_fields_text(std::string_view identification, std::string_view product_id) {
    return "|productIdentificationType=2(ISIN)|productIdentification=" +
           std::string(identification) + "|productId=" + std::string(product_id) +
           "|mic=XPS.|AccumulatedInterest=-557|interestRate=565|currency=985(PLN)"
           "|sessionDate=20231114|tradingValueCurrency=-579579579579"
           "|status=3(MarketOperationsSuspension)|sector=58800|market=190"
           "|markerPriceChange=2(Decrease)|lowerLiquidity=1|multiplier=593"
           "|impliedVolatility=601|dividendRate=609|delta=-617|gamma=625|rho=-633|theta=641"
           "|vega=649|volatility=657|optionsStrikePrice=665|dividend=1|subscriptionRight=0"
           "|interimDividendRight=1|split=0|quotationSystem=4(SinglePriceTwoFixings)"
           "|liquiditySupportPge=1";
}

TEST(GoldenTrade, ProductSummary) {
    auto m = message(672, 679);
    put_statistics(m, 42, clob);
    put_statistics(m, 161, cross);
    put_statistics(m, 280, block);
    put_statistics(m, 399, hybrid);
    put_product_fields(m, "XX0000000672", 549549);
    EXPECT_EQ(full_text(m),
              header(679, "672(ProductSummary)") + "|clobInstrument=" + statistics_text(clob) +
                  "|crossInstrument=" + statistics_text(cross) + "|blockInstrument=" +
                  statistics_text(block) + "|hybridInstrument=" + statistics_text(hybrid) +
                  product_fields_text("XX0000000672", "549549"));
}

TEST(GoldenTrade, ProductSummaryBlockSpotCheck) {
    // The first block written out in full.
    auto m = message(672, 679);
    put_statistics(m, 42, clob);
    const std::string text = full_text(m);
    EXPECT_TRUE(text.starts_with(
        header(679, "672(ProductSummary)") +
        "|clobInstrument=|instrumentId=4000000001|marketModelType=2(CLOB)|lastTradedPrice=-5"
        "|closingPrice=13|closingPriceType=1(InitialPrice)|adjustedClosingPrice=-22"
        "|adjustedClosingPriceReason=2(Regular)|pctChange=-31|vwap=39|noTrades=47"
        "|totalVolume=55|totalValue=63|openingPrice=71|maxPrice=79|minPrice=-87"
        "|settlementPrice=95|settlementValue=-103|endTradingDate=20231231"
        "|lastTradeDate=20231130|crossInstrument=|instrumentId=0|"))
        << text;
}

TEST(GoldenTrade, ProductSummaryWithZeroBlocksAndFullWidthIdentification) {
    auto m = message(672, 679);
    // No zero byte in the 30 characters; productId after them reads "ABCD" on the wire.
    const std::string identification = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    put_product_fields(m, identification, 0x44434241U);
    EXPECT_EQ(full_text(m),
              header(679, "672(ProductSummary)") + "|clobInstrument=" + zero_statistics +
                  "|crossInstrument=" + zero_statistics + "|blockInstrument=" + zero_statistics +
                  "|hybridInstrument=" + zero_statistics +
                  product_fields_text(identification, "1145258561"));
}

TEST(GoldenTrade, PositionReport) {
    auto m = message(801, 82);
    m.text(42, "PR0000000801", 30)
        .put<std::uint8_t>(72, 1)
        .put<std::uint8_t>(73, 3)
        .put<std::uint32_t>(74, 3000000074U)
        .put<std::uint32_t>(78, 78787878);
    EXPECT_EQ(full_text(m), header(82, "801(PositionReport)") +
                                "|publicProductIdentification=|productIdentification=PR0000000801" +
                                dots(18) +
                                "|productIdentificationType=1(NotApplicable)|posType=3(FIN)"
                                "|openPositions=3000000074|tradeID=78787878");
}

}  // namespace
}  // namespace tarn::md
