// Full text of the reference data messages, every field set.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
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
    m.version(1)
        .seq_num(17)
        .timestamp(1234567890000000001ULL)
        .source_timestamp(951868799999999999ULL)
        .is_encrypted(0)
        .encryption_offset(18446744073709551615ULL)
        .encryption_key_id(4294967295U)
        .session_id(65535)
        .stream_id(255);
    return m;
}

// The header text of such a message; `type` is the code and its name, as in "32(TickTableEntry)".
std::string header(std::size_t length, std::string_view type) {
    return "length=" + std::to_string(length) + "|MsgType=" + std::string(type) +
           "|version=1|seqNum=17"
           "|timestamp=1234567890000000001(2009-02-13T23:31:30.000000001)"
           "|sourceTimestamp=951868799999999999(2000-02-29T23:59:59.999999999)"
           "|isEncrypted=0|encryptionOffset=18446744073709551615|encryptionKeyId=4294967295"
           "|sessionId=65535|streamId=255|";
}

std::string dots(std::size_t count) { return std::string(count, '.'); }

TEST(GoldenReferenceData, TickTableEntry) {
    auto m = message(32, 62);
    m.put<std::int64_t>(42, 500000000000LL)
        .put<std::int64_t>(50, std::numeric_limits<std::int64_t>::min())
        .put<std::uint32_t>(58, 7);
    EXPECT_EQ(full_text(m), header(62, "32(TickTableEntry)") +
                                "|tickSize=500000000000|lowerBound=-9223372036854775808"
                                "|tickTableId=7");
}

TEST(GoldenReferenceData, WeekPlan) {
    auto m = message(33, 53);
    m.put<std::uint32_t>(42, 3000000001U).raw(46, std::string_view("\1\1\1\1\1\0\0", 7));
    EXPECT_EQ(full_text(m),
              header(53, "33(WeekPlan)") + "|calendarId=3000000001|weekdays=[1,1,1,1,1,0,0]");
}

TEST(GoldenReferenceData, WeekPlanFlagBytesOtherThanZeroOrOnePrintTheirDecimalValue) {
    auto m = message(33, 53);
    m.put<std::uint32_t>(42, 9).raw(46, std::string_view("\0\1\7\xff\1\0\2", 7));
    EXPECT_EQ(full_text(m),
              header(53, "33(WeekPlan)") + "|calendarId=9|weekdays=[0,1,7,255,1,0,2]");
}

TEST(GoldenReferenceData, CalendarException) {
    auto m = message(35, 51);
    m.put<std::uint32_t>(42, 11).put<std::uint32_t>(46, 20241225).put<std::uint8_t>(50, 2);
    EXPECT_EQ(full_text(m), header(51, "35(CalendarException)") +
                                "|calendarId=11|calendarExceptionDate=20241225"
                                "|calendarExceptionType=2(Open)");
}

TEST(GoldenReferenceData, AccruedInterestTableEntry) {
    auto m = message(36, 58);
    m.put<std::uint32_t>(42, 2500000000U)
        .put<std::uint32_t>(46, 20240101)
        .put<std::int64_t>(50, -123456789012LL);
    EXPECT_EQ(full_text(m), header(58, "36(AccruedInterestTableEntry)") +
                                "|productId=2500000000|accruedInterestTableEntryDate=20240101"
                                "|accruedInterestTableEntryValue=-123456789012");
}

TEST(GoldenReferenceData, IndexationTableEntry) {
    auto m = message(37, 58);
    m.put<std::uint32_t>(42, 42)
        .put<std::uint32_t>(46, 20240630)
        .put<std::int64_t>(50, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(full_text(m), header(58, "37(IndexationTableEntry)") +
                                "|productId=42|indexationTableEntryDate=20240630"
                                "|indexationTableEntryValue=9223372036854775807");
}

TEST(GoldenReferenceData, CollarTableEntryHasTheUpperAskBeforeTheLowerAsk) {
    auto m = message(108, 96);
    m.put<std::uint32_t>(42, 108108)
        .put<std::uint8_t>(46, 2)
        .put<std::uint8_t>(47, 1)
        .put<std::int64_t>(48, -250)
        .put<std::int64_t>(56, 1500)
        .put<std::int64_t>(64, -11)
        .put<std::int64_t>(72, 22)
        .put<std::int64_t>(80, 33)
        .put<std::int64_t>(88, -44);
    EXPECT_EQ(full_text(m), header(96, "108(CollarTableEntry)") +
                                "|collarTableId=108108|collarMode=2(OrderPriceCollar)"
                                "|collarExpression=1(Percentage)|collarLowerBound=-250"
                                "|collarValue=1500|collarLowerBid=-11|collarUpperBid=22"
                                "|collarUpperAsk=33|collarLowerAsk=-44");
}

TEST(GoldenReferenceData, CollarGroup) {
    auto m = message(299, 62);
    m.put<std::uint32_t>(42, 101)
        .put<std::uint32_t>(46, 202)
        .put<std::uint32_t>(50, 303)
        .put<std::uint32_t>(54, 404)
        .put<std::uint32_t>(58, 505);
    EXPECT_EQ(full_text(m), header(62, "299(CollarGroup)") +
                                "|id=101|orderStaticCollarTableId=202"
                                "|orderDynamicCollarTableId=303|tradeStaticCollarTableId=404"
                                "|tradeDynamicCollarTableId=505");
}

TEST(GoldenReferenceData, TradingPhaseScheduleEntry) {
    auto m = message(27, 82);
    m.put<std::uint32_t>(42, 9)
        .put<std::uint32_t>(46, 1001)
        .put<std::uint8_t>(50, 2)
        .put<std::uint8_t>(51, 200)
        .put<std::uint32_t>(52, 31)
        .put<std::uint32_t>(56, 32)
        .put<std::uint64_t>(60, 2147483647000000000ULL)
        .put<std::uint8_t>(68, 4)
        .put<std::uint8_t>(69, 1)
        .put<std::uint32_t>(70, 33)
        .put<std::uint32_t>(74, 34)
        .put<std::uint32_t>(78, 4000000000U);
    EXPECT_EQ(full_text(m),
              header(82, "27(TradingPhaseScheduleEntry)") +
                  "|tradingScheduleId=9|tradingPhaseId=1001|tradingPhaseSettlementCycle=2"
                  "|tradingPhaseMaxBlockSettlementCycle=200|staticCollarVolatilityAuctionId=31"
                  "|dynamicCollarVolatilityAuctionId=32"
                  "|tradingPhaseStartTime=2147483647000000000(2038-01-19T03:14:07.000000000)"
                  "|tradingPhaseType=4(AuctionOpening)|uncrossing=1"
                  "|extStaticCollarVolatilityAuctionId=33|extDynamicCollarVolatilityAuctionId=34"
                  "|clatId=4000000000");
}

// A MarketStructure with the given name bytes (at most 50) and market model type.
message_builder market_structure(std::string_view name, std::uint8_t model) {
    auto m = message(275, 105);
    m.put<std::uint32_t>(42, 1)
        .put<std::uint32_t>(46, 7)
        .text(50, "XTST", 4)
        .text(54, name, 50)
        .put<std::uint8_t>(104, model);
    return m;
}

TEST(GoldenReferenceData, MarketStructureNameStopsAtTheFirstZeroByte) {
    EXPECT_EQ(full_text(market_structure("Main", 8)),
              header(105, "275(MarketStructure)") +
                  "|id=1|parentId=7|mic=XTST|name=Main|marketModelType=8(Redistribution)");
}

TEST(GoldenReferenceData, MarketStructureNamePrintsControlBytesAsDots) {
    // Control bytes become "."; 0x7F and bytes above 0x80 are written as they are.
    EXPECT_EQ(full_text(market_structure("Main\nBoard\x1f\x01\x7f\xe9!", 2)),
              header(105, "275(MarketStructure)") +
                  "|id=1|parentId=7|mic=XTST|name=Main.Board..\x7f\xe9!"
                  "|marketModelType=2(CLOB)");
}

TEST(GoldenReferenceData, MarketStructureNameWithoutZeroByteEndsAtItsWidth) {
    const std::string name(50, 'N');
    // The byte after the name, marketModelType, is 'A' and must not join the name.
    EXPECT_EQ(full_text(market_structure(name, 'A')), header(105, "275(MarketStructure)") +
                                                          "|id=1|parentId=7|mic=XTST|name=" + name +
                                                          "|marketModelType=65(65)");
}

TEST(GoldenReferenceData, MarketStructureEmptyName) {
    EXPECT_EQ(full_text(market_structure("", 3)),
              header(105, "275(MarketStructure)") +
                  "|id=1|parentId=7|mic=XTST|name=|marketModelType=3(BLOCK)");
}

TEST(GoldenReferenceData, Instrument) {
    auto m = message(279, 741);
    m.put<std::uint32_t>(42, 3000000279U)
        .put<std::uint8_t>(46, 9)
        .put<std::uint8_t>(47, 56)
        .put<std::uint32_t>(48, 20230102)
        .put<std::uint32_t>(52, 20331230)
        .put<std::uint32_t>(56, 556677)
        .put<std::uint16_t>(60, 978)
        .put<std::int64_t>(62, -62)
        .put<std::uint32_t>(70, 100)
        .put<std::uint8_t>(74, 2)
        .put<std::uint32_t>(75, 75)
        .put<std::uint32_t>(79, 79)
        .put<std::uint32_t>(83, 83)
        .put<std::uint32_t>(87, 87)
        .put<std::uint32_t>(91, 91)
        .put<std::uint32_t>(95, 95)
        .text(99, "Test instrument, 5% coupon", 64)
        .text(163, "XTST", 4)
        .put<std::int64_t>(167, 1000000)
        .put<std::uint8_t>(175, 2)
        .put<std::int64_t>(176, 176)
        .put<std::int64_t>(184, -184)
        .put<std::uint16_t>(192, 840)
        .text(194, "XX0000000001", 30)
        .put<std::uint8_t>(224, 2)
        .put<std::uint32_t>(225, 225)
        .put<std::uint8_t>(229, 5)
        .put<std::int64_t>(230, -230)
        .put<std::int64_t>(238, 238)
        .put<std::uint64_t>(246, 246)
        .put<std::uint64_t>(254, 18446744073709551614ULL)
        .put<std::int64_t>(262, 262000)
        .put<std::int64_t>(270, -270000)
        .put<std::uint8_t>(278, 1)
        .put<std::uint8_t>(279, 2)
        .text(280, "Issuer Bank plc", 150)
        .put<std::uint16_t>(430, 276)
        .put<std::uint32_t>(432, 432)
        .text(436, "PC-436", 20)
        .text(456, "ESVUFR", 6)
        .text(462, "TEST/SH", 35)
        .put<std::uint64_t>(497, 5000000000ULL)
        .put<std::uint16_t>(505, 826)
        .put<std::uint8_t>(507, 3)
        .put<std::uint32_t>(508, 20331231)
        .put<std::uint8_t>(512, 255)
        .put<std::uint8_t>(513, 2)
        .put<std::uint8_t>(514, 3)
        .put<std::uint8_t>(515, 2)
        .text(516, "Test Product", 50)
        .put<std::int64_t>(566, 566)
        .put<std::uint8_t>(574, 9)
        .put<std::uint32_t>(575, 575)
        .put<std::int64_t>(579, 579)
        .put<std::int64_t>(587, -587)
        .put<std::uint8_t>(595, 2)
        .put<std::int64_t>(596, 596)
        .text(604, "https://example.com/kid", 128)
        .put<std::uint32_t>(732, 20230601)
        .put<std::uint8_t>(736, 7)
        .put<std::uint32_t>(737, 737737);
    EXPECT_EQ(full_text(m),
              header(741, "279(Instrument)") +
                  "|instrumentId=3000000279|productType=9(Tracker)"
                  "|productSubtype=56(WarrantWithKnockOut)|firstTradingDate=20230102"
                  "|lastTradingDate=20331230|productId=556677|currency=978(EUR)"
                  "|icebergMinValue=-62|lotSize=100|priceExpressionType=2(Percentage)"
                  "|calendarId=75|marketStructureId=79|tickTableId=83|referenceInstrumentId=87"
                  "|collarGroupId=91|tradingScheduleId=95"
                  "|description=Test instrument, 5% coupon" +
                  dots(38) +
                  "|mic=XTST|nominalValue=1000000|nominalValueType=2(Constant)|multiplier=176"
                  "|strikePrice=-184|strikePriceCurrency=840(USD)"
                  "|productIdentification=XX0000000001" +
                  dots(18) +
                  "|productIdentificationType=2(ISIN)|settlementCalendarId=225"
                  "|bondCouponType=5(Indexed)|preTradeCheckMinPrice=-230"
                  "|preTradeCheckMaxPrice=238|preTradeCheckMinQuantity=246"
                  "|preTradeCheckMaxQuantity=18446744073709551614|preTradeCheckMaxValue=262000"
                  "|preTradeCheckMinValue=-270000|liquidity=1|marketModelType=2(CLOB)"
                  "|issuer=Issuer Bank plc" +
                  dots(135) +
                  "|issuerRegCountry=276(DEU)|underlyingInstrumentId=432|productCode=PC-436" +
                  dots(14) + "|cfi=ESVUFR|fisn=TEST/SH" + dots(28) +
                  "|issueSize=5000000000|nominalCurrency=826(GBP)"
                  "|usIndicator=3(RegulationSPlusRule144A)|expiryDate=20331231"
                  "|versionNumber=255|settlementType=2(CashSettlement)|optionType=3(Put)"
                  "|exerciseType=2(EURO)|productName=Test Product" +
                  dots(38) +
                  "|referencePrice=566|status=9(HybridKnockout)|initialPhaseId=575"
                  "|thresholdMax=579|thresholdMin=-587|isLeverage=2(Yes)"
                  "|accruedInterestValue=596|kid=https://example.com/kid" +
                  dots(105) + "|kidIssueDate=20230601|valueAtRisk=7|externalUnderlyingId=737737");
}

TEST(GoldenReferenceData, InstrumentTextFieldsSubstituteBytesOutsideTheirRange) {
    auto m = message(279, 741);
    // description: spaces stay spaces; mic: 0x1F, 0x20, 0x80 and 0x81.
    m.text(99, std::string(64, ' '), 64).raw(163, std::string_view("\x1f \x80\x81", 4));
    const std::string text = full_text(m);
    EXPECT_NE(text.find("|tradingScheduleId=0|description=" + std::string(64, ' ') +
                        "|mic=. \x80.|nominalValue=0|"),
              std::string::npos)
        << text;
}

TEST(GoldenReferenceData, ExternalUnderlyingPrintsItsCurrenciesAsPlainNumbers) {
    auto m = message(806, 155);
    m.put<std::uint32_t>(42, 806000001U)
        .text(46, "EU0000000806", 30)
        .put<std::uint8_t>(76, 1)
        .text(77, "EXT-1", 20)
        .text(97, "External underlying", 50)
        .text(147, "XEXT", 4)
        .put<std::uint16_t>(151, 978)
        .put<std::uint16_t>(153, 840);
    EXPECT_EQ(full_text(m), header(155, "806(ExternalUnderlying)") +
                                "|externalUnderlyingId=806000001"
                                "|productIdentification=EU0000000806"
                                "|productIdentificationType=1(NotApplicable)|productCode=EXT-1" +
                                dots(15) + "|productName=External underlying" + dots(31) +
                                "|mic=XEXT|nominalCurrency=978|tradingCurrency=840");
}

}  // namespace
}  // namespace tarn::md
