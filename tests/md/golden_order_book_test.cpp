// Full text of the order book and auction messages, every field set.

#include <gtest/gtest.h>

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
    m.version(9)
        .seq_num(123456789)
        .timestamp(1700000000123456789ULL)
        .source_timestamp(999999999ULL)
        .is_encrypted(0)
        .encryption_offset(27)
        .encryption_key_id(35)
        .session_id(39)
        .stream_id(41);
    return m;
}

// The header text of such a message; `type` is the code and its name, as in "9(OrderAdd)".
std::string header(std::size_t length, std::string_view type) {
    return "length=" + std::to_string(length) + "|MsgType=" + std::string(type) +
           "|version=9|seqNum=123456789"
           "|timestamp=1700000000123456789(2023-11-14T22:13:20.123456789)"
           "|sourceTimestamp=999999999(1970-01-01T00:00:00.999999999)"
           "|isEncrypted=0|encryptionOffset=27|encryptionKeyId=35|sessionId=39|streamId=41|";
}

message_builder order_add(std::uint8_t mm_quote) {
    auto m = message(9, 72);
    m.put<std::uint64_t>(42, 9223372036854775809ULL)
        .put<std::uint32_t>(50, 50505)
        .put<std::uint8_t>(54, 1)
        .put<std::int64_t>(55, -1005)
        .put<std::uint64_t>(63, 300)
        .put<std::uint8_t>(71, mm_quote);
    return m;
}

TEST(GoldenOrderBook, OrderAdd) {
    EXPECT_EQ(full_text(order_add(1)),
              header(72, "9(OrderAdd)") +
                  "|publicOrderId=9223372036854775809|instrumentId=50505|side=1(Buy)"
                  "|price=-1005|quantity=300|mmQuote=1");
}

TEST(GoldenOrderBook, FlagByteOtherThanZeroOrOnePrintsItsDecimalValue) {
    EXPECT_EQ(full_text(order_add(7)),
              header(72, "9(OrderAdd)") +
                  "|publicOrderId=9223372036854775809|instrumentId=50505|side=1(Buy)"
                  "|price=-1005|quantity=300|mmQuote=7");
}

TEST(GoldenOrderBook, BytesBeyondTheLayoutAreNotPrinted) {
    auto m = order_add(1);
    m.raw(72, "TRAILING").length(80);
    EXPECT_EQ(full_text(m), header(80, "9(OrderAdd)") +
                                "|publicOrderId=9223372036854775809|instrumentId=50505"
                                "|side=1(Buy)|price=-1005|quantity=300|mmQuote=1");
}

TEST(GoldenOrderBook, OrderModify) {
    auto m = message(10, 72);
    m.put<std::uint32_t>(42, 4200000000U)
        .put<std::uint64_t>(46, 4646464646ULL)
        .put<std::int64_t>(54, 5454)
        .put<std::uint64_t>(62, 6262)
        .put<std::uint8_t>(70, 2)
        .put<std::uint8_t>(71, 2);
    EXPECT_EQ(full_text(m), header(72, "10(OrderModify)") +
                                "|instrumentId=4200000000|publicOrderId=4646464646|price=5454"
                                "|quantity=6262|priorityFlag=2(Retained)|side=2(Sell)");
}

TEST(GoldenOrderBook, OrderCancel) {
    auto m = message(11, 55);
    m.put<std::uint32_t>(42, 42)
        .put<std::uint64_t>(46, 18446744073709551615ULL)
        .put<std::uint8_t>(54, 1);
    EXPECT_EQ(full_text(m), header(55, "11(OrderCancel)") +
                                "|instrumentId=42|publicOrderId=18446744073709551615|side=1(Buy)");
}

TEST(GoldenOrderBook, OrderExecuteStartsWithQuantity) {
    auto m = message(12, 83);
    m.put<std::uint64_t>(42, 4242)
        .put<std::uint32_t>(50, 5050)
        .put<std::uint64_t>(54, 545454)
        .put<std::uint32_t>(62, 626262)
        .put<std::int64_t>(66, -6666)
        .put<std::uint64_t>(74, 7474)
        .put<std::uint8_t>(82, 2);
    EXPECT_EQ(full_text(m), header(83, "12(OrderExecute)") +
                                "|quantity=4242|instrumentId=5050|publicOrderId=545454"
                                "|executionId=626262|executionPrice=-6666"
                                "|executionQuantity=7474|side=2(Sell)");
}

TEST(GoldenOrderBook, TopPriceLevelUpdate) {
    auto m = message(256, 65);
    m.put<std::uint32_t>(42, 256)
        .put<std::int64_t>(46, -4646)
        .put<std::uint64_t>(54, 5454)
        .put<std::uint8_t>(62, 2)
        .put<std::uint16_t>(63, 65000);
    EXPECT_EQ(full_text(m), header(65, "256(TopPriceLevelUpdate)") +
                                "|instrumentId=256|price=-4646|quantity=5454|side=2(Sell)"
                                "|orderCount=65000");
}

// One 31-byte PriceLevel.
struct level {
    std::uint8_t is_encrypted;
    std::uint64_t encryption_offset;
    std::uint32_t encryption_key_id;
    std::int64_t price;
    std::uint64_t quantity;
    std::uint16_t order_count;
};

void put_level(message_builder& m, std::size_t at, const level& l) {
    m.put<std::uint8_t>(at, l.is_encrypted)
        .put<std::uint64_t>(at + 1, l.encryption_offset)
        .put<std::uint32_t>(at + 9, l.encryption_key_id)
        .put<std::int64_t>(at + 13, l.price)
        .put<std::uint64_t>(at + 21, l.quantity)
        .put<std::uint16_t>(at + 29, l.order_count);
}

std::string level_text(const level& l) {
    return "|isEncrypted=" + std::to_string(l.is_encrypted) +
           "|encryptionOffset=" + std::to_string(l.encryption_offset) +
           "|encryptionKeyId=" + std::to_string(l.encryption_key_id) +
           "|price=" + std::to_string(l.price) + "|quantity=" + std::to_string(l.quantity) +
           "|orderCount=" + std::to_string(l.order_count);
}

level buy_level(int i) {
    return {static_cast<std::uint8_t>(i % 2),    10000000000ULL + static_cast<std::uint64_t>(i),
            static_cast<std::uint32_t>(200 + i), 1005 - 5 * i,
            static_cast<std::uint64_t>(300 + i), static_cast<std::uint16_t>(1 + i)};
}

level sell_level(int i) {
    return {static_cast<std::uint8_t>((i + 1) % 2),
            static_cast<std::uint64_t>(500 + i),
            static_cast<std::uint32_t>(3000000000U + static_cast<std::uint32_t>(i)),
            -2000 - i,
            static_cast<std::uint64_t>(700 + i),
            static_cast<std::uint16_t>(60000 + i)};
}

TEST(GoldenOrderBook, PriceLevelSnapshotPrintsTenLevelsPerSide) {
    auto m = message(257, 669);
    m.put<std::uint32_t>(42, 257257)
        .put<std::uint8_t>(46, 10)
        .put<std::uint8_t>(47, 3)
        .put<std::uint8_t>(48, 4);
    std::string buy = "|buy=";
    std::string sell = "|sell=";
    for (int i = 0; i < 10; ++i) {
        put_level(m, 49 + 31 * i, buy_level(i));
        put_level(m, 359 + 31 * i, sell_level(i));
        buy += (i == 0 ? "[" : ",") + level_text(buy_level(i));
        sell += (i == 0 ? "[" : ",") + level_text(sell_level(i));
    }
    EXPECT_EQ(full_text(m), header(669, "257(PriceLevelSnapshot)") +
                                "|instrumentId=257257|maxDepth=10|mmBuyQuoteLevel=3"
                                "|mmSellQuoteLevel=4" +
                                buy + "]" + sell + "]");
}

TEST(GoldenOrderBook, PriceLevelSnapshotSpotCheck) {
    // The first buy level and the last sell level written out in full.
    auto m = message(257, 669);
    m.put<std::uint32_t>(42, 1);
    put_level(m, 49, {1, 2, 3, -4, 5, 6});
    put_level(m, 359 + 31 * 9, {0, 7, 8, 9, 10, 11});
    const std::string zero =
        "|isEncrypted=0|encryptionOffset=0|encryptionKeyId=0|price=0|quantity=0|orderCount=0";
    std::string expected = header(669, "257(PriceLevelSnapshot)") +
                           "|instrumentId=1|maxDepth=0|mmBuyQuoteLevel=0|mmSellQuoteLevel=0"
                           "|buy=[|isEncrypted=1|encryptionOffset=2|encryptionKeyId=3|price=-4"
                           "|quantity=5|orderCount=6";
    for (int i = 1; i < 10; ++i) {
        expected += "," + zero;
    }
    expected += "]|sell=[" + zero;
    for (int i = 1; i < 9; ++i) {
        expected += "," + zero;
    }
    expected +=
        ",|isEncrypted=0|encryptionOffset=7|encryptionKeyId=8|price=9|quantity=10"
        "|orderCount=11]";
    EXPECT_EQ(full_text(m), expected);
}

TEST(GoldenOrderBook, PriceLevelSnapshotAllZero) {
    const message_builder m(MsgType::PriceLevelSnapshot, 669);
    const std::string zero =
        "|isEncrypted=0|encryptionOffset=0|encryptionKeyId=0|price=0|quantity=0|orderCount=0";
    std::string side;
    for (int i = 0; i < 10; ++i) {
        side += (i == 0 ? "[" : ",") + zero;
    }
    side += "]";
    EXPECT_EQ(full_text(m),
              "length=669|MsgType=257(PriceLevelSnapshot)|version=0|seqNum=0"
              "|timestamp=0(1970-01-01T00:00:00.000000000)"
              "|sourceTimestamp=0(1970-01-01T00:00:00.000000000)"
              "|isEncrypted=0|encryptionOffset=0|encryptionKeyId=0|sessionId=0|streamId=0|"
              "|instrumentId=0|maxDepth=0|mmBuyQuoteLevel=0|mmSellQuoteLevel=0|buy=" +
                  side + "|sell=" + side);
}

TEST(GoldenOrderBook, AuctionUpdate) {
    auto m = message(268, 110);
    m.put<std::uint32_t>(42, 268)
        .put<std::int64_t>(46, -4646)
        .put<std::uint64_t>(54, 5454)
        .put<std::uint64_t>(62, 6262)
        .put<std::uint64_t>(70, 7070)
        .put<std::int64_t>(78, -7878)
        .put<std::uint64_t>(86, 8686)
        .put<std::int64_t>(94, -9494)
        .put<std::uint64_t>(102, 10210);
    EXPECT_EQ(full_text(m), header(110, "268(AuctionUpdate)") +
                                "|instrumentId=268|indicativeMatchingPrice=-4646"
                                "|indicativeMatchingVolume=5454|totalSellQuantityAtImp=6262"
                                "|totalBuyQuantityAtImp=7070|bestSellLevel=-7878"
                                "|bestSellLevelQuantity=8686|bestBuyLevel=-9494"
                                "|bestBuyLevelQuantity=10210");
}

TEST(GoldenOrderBook, AuctionSummary) {
    auto m = message(270, 63);
    m.put<std::uint32_t>(42, 270)
        .put<std::int64_t>(46, -4646)
        .put<std::uint64_t>(54, 5454)
        .put<std::uint8_t>(62, 9);
    EXPECT_EQ(full_text(m), header(63, "270(AuctionSummary)") +
                                "|instrumentId=270|price=-4646|quantity=5454"
                                "|auctionType=9(UnsuspensionAuction)");
}

message_builder price_update(std::uint16_t presence) {
    auto m = message(271, 73);
    m.put<std::uint32_t>(42, 271)
        .put<std::uint8_t>(46, 6)
        .put<std::uint16_t>(47, presence)
        .put<std::int64_t>(49, 4949)
        .put<std::int64_t>(57, -5757)
        .put<std::int64_t>(65, 6565);
    return m;
}

TEST(GoldenOrderBook, PriceUpdate) {
    EXPECT_EQ(full_text(price_update(32)),
              header(73, "271(PriceUpdate)") +
                  "|instrumentId=271|priceUpdateType=6(FixingYtm)"
                  "|priceYtmPresence=32(YtmAskNoCalc)|value=4949|valueBid=-5757|valueAsk=6565");
}

TEST(GoldenOrderBook, PriceUpdatePresenceIsReadAsTwoBytes) {
    // 256 has no name; read as one byte it would be 0(None).
    EXPECT_EQ(full_text(price_update(256)),
              header(73, "271(PriceUpdate)") +
                  "|instrumentId=271|priceUpdateType=6(FixingYtm)"
                  "|priceYtmPresence=256(256)|value=4949|valueBid=-5757|valueAsk=6565");
}

TEST(GoldenOrderBook, OrderCollars) {
    auto m = message(272, 87);
    m.put<std::uint32_t>(42, 272)
        .put<std::uint8_t>(46, 2)
        .put<std::int64_t>(47, 4747)
        .put<std::int64_t>(55, -250)
        .put<std::int64_t>(63, 6363)
        .put<std::int64_t>(71, -7171)
        .put<std::int64_t>(79, 7979);
    EXPECT_EQ(full_text(m), header(87, "272(OrderCollars)") +
                                "|instrumentId=272|collarType=2|price=4747|lowerBid=-250"
                                "|upperBid=6363|lowerAsk=-7171|upperAsk=7979");
}

TEST(GoldenOrderBook, TradeCollars) {
    auto m = message(273, 71);
    m.put<std::uint32_t>(42, 273)
        .put<std::uint8_t>(46, 200)
        .put<std::int64_t>(47, 4747)
        .put<std::int64_t>(55, -5555)
        .put<std::int64_t>(63, 6363);
    EXPECT_EQ(full_text(m), header(71, "273(TradeCollars)") +
                                "|instrumentId=273|collarType=200|price=4747|lower=-5555"
                                "|upper=6363");
}

}  // namespace
}  // namespace tarn::md
