// The full text of every message type, each field written by hand from the
// protocol tables: header and body go on the wire field after field at their width,
// so the offsets follow from the tables' order and widths, not from the layouts.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "md/catalogue.hpp"
#include "md/layout_printer.hpp"

namespace tarn::md {
namespace {

// Field values as they go on the wire, little-endian.
template <class T>
std::string le(T value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}
std::string u8(std::uint8_t value) { return le(value); }
std::string i8(std::int8_t value) { return le(value); }
std::string u16(std::uint16_t value) { return le(value); }
std::string u32(std::uint32_t value) { return le(value); }
std::string u64(std::uint64_t value) { return le(value); }
std::string i64(std::int64_t value) { return le(value); }
// Text in a field of `width` bytes, the rest zero.
std::string txt(std::size_t width, std::string_view text) {
    std::string bytes(text);
    bytes.resize(width, '\0');
    return bytes;
}
std::string zeros(std::size_t count) { return std::string(count, '\0'); }
std::string dots(std::size_t count) { return std::string(count, '.'); }
std::string repeated(const std::string& text, std::size_t count) {
    std::string all;
    for (std::size_t i = 0; i < count; ++i) {
        all += text;
    }
    return all;
}

// A PriceLevel element and its text.
std::string level(std::uint8_t encrypted, std::uint64_t offset, std::uint32_t key,
                  std::int64_t price, std::uint64_t quantity, std::uint16_t orders) {
    return u8(encrypted) + u64(offset) + u32(key) + i64(price) + u64(quantity) + u16(orders);
}
const std::string zero_level =
    "|isEncrypted=0|encryptionOffset=0|encryptionKeyId=0|price=0|quantity=0|orderCount=0";

// An InstrumentStatistics block with its identifier and enumerations set,
// every other field zero, and its text.
std::string sparse_block(std::uint32_t id, std::uint8_t model, std::uint8_t closing_type,
                         std::uint8_t reason) {
    return u32(id) + u8(model) + zeros(16) + u8(closing_type) + zeros(8) + u8(reason) + zeros(88);
}
std::string sparse_block_text(std::uint32_t id, std::string_view model,
                              std::string_view closing_type, std::string_view reason) {
    return "|instrumentId=" + std::to_string(id) + "|marketModelType=" + std::string(model) +
           "|lastTradedPrice=0|closingPrice=0|closingPriceType=" + std::string(closing_type) +
           "|adjustedClosingPrice=0|adjustedClosingPriceReason=" + std::string(reason) +
           "|pctChange=0|vwap=0|noTrades=0|totalVolume=0|totalValue=0|openingPrice=0|maxPrice=0"
           "|minPrice=0|settlementPrice=0|settlementValue=0|endTradingDate=0|lastTradeDate=0";
}

struct golden {
    std::string_view type;  // its code and name, as "9(OrderAdd)"
    std::string body;       // the fields in wire order
    std::string text;       // after the header's text
};

const std::vector<golden> goldens = {
    // Session and status.
    {"669(Logout)", "", ""},
    {"667(Login)", u16(40001) + txt(8, "TOKEN7") + u8(2),
     "|connectionId=40001|token=TOKEN7..|filter=2(RefData)"},
    {"668(LoginResponse)", u8(3), "|result=3(AlreadyLoggedIn)"},
    {"670(EndOfSnapshot)", u32(4000000000U), "|lastSeqNum=4000000000"},
    // 0x7F and 0x80 print as they are, other bytes outside 0x20-0x80 as dots.
    {"24(EncryptionKey)", u32(3500000001U) + txt(32, "Secret Key 42\x01\x7f\x80\x81\xff"),
     "|id=3500000001|secretKey=Secret Key 42.\x7f\x80.." + dots(14)},
    {"8192(TestEvent)", txt(200, "Failover drill") + u8(3),
     "|scenarioName=Failover drill" + dots(186) + "|eventType=3(ScenarioEnd)"},
    {"517(News)",
     u32(4000000003U) + u32(123456) + txt(80, "Market notice") + u8(2) + u8(200) +
         txt(800, "Line one\nLine two"),
     "|marketStructureId=4000000003|newsId=123456|title=Market notice" + dots(67) +
         "|entryNumber=2|total=200|text=Line one.Line two" + dots(783)},
    {"23(TradingSessionStatus)", txt(4, "XMKT") + u32(77) + u8(12) + u32(20231114),
     "|marketId=XMKT|marketStructureId=77|tradingSessionEvent=12(StartOfTradingSessionMIC)"
     "|date=20231114"},
    {"26(InstrumentStatusChange)", u32(1234567) + u32(89) + u8(22) + u8(10) + u8(1),
     "|instrumentId=1234567|tradingPhaseId=89|tradingPhaseType=22(HybridPreTradeBuyOnly)"
     "|status=10(HybridKnockoutByIssuer)|stressedMarket=1"},
    {"410(OrderBookEvent)", u32(4294967295U) + u8(2),
     "|instrumentId=4294967295|eventType=2(ResendStart)"},
    // Reference data.
    {"32(TickTableEntry)",
     i64(500000000000LL) + i64(std::numeric_limits<std::int64_t>::min()) + u32(7),
     "|tickSize=500000000000|lowerBound=-9223372036854775808|tickTableId=7"},
    {"33(WeekPlan)", u32(3000000001U) + std::string("\0\1\7\xff\1\0\2", 7),
     "|calendarId=3000000001|weekdays=[0,1,7,255,1,0,2]"},
    {"35(CalendarException)", u32(11) + u32(20241225) + u8(2),
     "|calendarId=11|calendarExceptionDate=20241225|calendarExceptionType=2(Open)"},
    {"36(AccruedInterestTableEntry)", u32(2500000000U) + u32(20240101) + i64(-123456789012LL),
     "|productId=2500000000|accruedInterestTableEntryDate=20240101"
     "|accruedInterestTableEntryValue=-123456789012"},
    {"37(IndexationTableEntry)",
     u32(42) + u32(20240630) + i64(std::numeric_limits<std::int64_t>::max()),
     "|productId=42|indexationTableEntryDate=20240630"
     "|indexationTableEntryValue=9223372036854775807"},
    // The upper ask comes before the lower ask.
    {"108(CollarTableEntry)",
     u32(108108) + u8(2) + u8(1) + i64(-250) + i64(1500) + i64(-11) + i64(22) + i64(33) + i64(-44),
     "|collarTableId=108108|collarMode=2(OrderPriceCollar)|collarExpression=1(Percentage)"
     "|collarLowerBound=-250|collarValue=1500|collarLowerBid=-11|collarUpperBid=22"
     "|collarUpperAsk=33|collarLowerAsk=-44"},
    {"299(CollarGroup)", u32(101) + u32(202) + u32(303) + u32(404) + u32(505),
     "|id=101|orderStaticCollarTableId=202|orderDynamicCollarTableId=303"
     "|tradeStaticCollarTableId=404|tradeDynamicCollarTableId=505"},
    {"27(TradingPhaseScheduleEntry)",
     u32(9) + u32(1001) + u8(2) + u8(200) + u32(31) + u32(32) + u64(2147483647000000000ULL) +
         u8(4) + u8(1) + u32(33) + u32(34) + u32(4000000000U),
     "|tradingScheduleId=9|tradingPhaseId=1001|tradingPhaseSettlementCycle=2"
     "|tradingPhaseMaxBlockSettlementCycle=200|staticCollarVolatilityAuctionId=31"
     "|dynamicCollarVolatilityAuctionId=32"
     "|tradingPhaseStartTime=2147483647000000000(2038-01-19T03:14:07.000000000)"
     "|tradingPhaseType=4(AuctionOpening)|uncrossing=1|extStaticCollarVolatilityAuctionId=33"
     "|extDynamicCollarVolatilityAuctionId=34|clatId=4000000000"},
    // The name stops at its first zero byte; control bytes print as dots.
    {"275(MarketStructure)",
     u32(1) + u32(7) + txt(4, "XTST") + txt(50, "Main\nBoard\x1f\x01\x7f\xe9!") + u8(2),
     "|id=1|parentId=7|mic=XTST|name=Main.Board..\x7f\xe9!|marketModelType=2(CLOB)"},
    {"279(Instrument)",
     u32(3000000279U) + u8(9) + u8(56) + u32(20230102) + u32(20331230) + u32(556677) + u16(978) +
         i64(-62) + u32(100) + u8(2) + u32(75) + u32(79) + u32(83) + u32(87) + u32(91) + u32(95) +
         txt(64, "Test instrument, 5% coupon") + txt(4, "XTST") + i64(1000000) + u8(2) + i64(176) +
         i64(-184) + u16(840) + txt(30, "XX0000000001") + u8(2) + u32(225) + u8(5) + i64(-230) +
         i64(238) + u64(246) + u64(18446744073709551614ULL) + i64(262000) + i64(-270000) + u8(1) +
         u8(2) + txt(150, "Issuer Bank plc") + u16(276) + u32(432) + txt(20, "PC-436") +
         txt(6, "ESVUFR") + txt(35, "TEST/SH") + u64(5000000000ULL) + u16(826) + u8(3) +
         u32(20331231) + u8(255) + u8(2) + u8(3) + u8(2) + txt(50, "Test Product") + i64(566) +
         u8(9) + u32(575) + i64(579) + i64(-587) + u8(2) + i64(596) +
         txt(128, "https://example.com/kid") + u32(20230601) + u8(7) + u32(737737),
     "|instrumentId=3000000279|productType=9(Tracker)|productSubtype=56(WarrantWithKnockOut)"
     "|firstTradingDate=20230102|lastTradingDate=20331230|productId=556677|currency=978(EUR)"
     "|icebergMinValue=-62|lotSize=100|priceExpressionType=2(Percentage)|calendarId=75"
     "|marketStructureId=79|tickTableId=83|referenceInstrumentId=87|collarGroupId=91"
     "|tradingScheduleId=95|description=Test instrument, 5% coupon" +
         dots(38) +
         "|mic=XTST|nominalValue=1000000|nominalValueType=2(Constant)|multiplier=176"
         "|strikePrice=-184|strikePriceCurrency=840(USD)|productIdentification=XX0000000001" +
         dots(18) +
         "|productIdentificationType=2(ISIN)|settlementCalendarId=225|bondCouponType=5(Indexed)"
         "|preTradeCheckMinPrice=-230|preTradeCheckMaxPrice=238|preTradeCheckMinQuantity=246"
         "|preTradeCheckMaxQuantity=18446744073709551614|preTradeCheckMaxValue=262000"
         "|preTradeCheckMinValue=-270000|liquidity=1|marketModelType=2(CLOB)"
         "|issuer=Issuer Bank plc" +
         dots(135) + "|issuerRegCountry=276(DEU)|underlyingInstrumentId=432|productCode=PC-436" +
         dots(14) + "|cfi=ESVUFR|fisn=TEST/SH" + dots(28) +
         "|issueSize=5000000000|nominalCurrency=826(GBP)|usIndicator=3(RegulationSPlusRule144A)"
         "|expiryDate=20331231|versionNumber=255|settlementType=2(CashSettlement)"
         "|optionType=3(Put)|exerciseType=2(EURO)|productName=Test Product" +
         dots(38) +
         "|referencePrice=566|status=9(HybridKnockout)|initialPhaseId=575|thresholdMax=579"
         "|thresholdMin=-587|isLeverage=2(Yes)|accruedInterestValue=596"
         "|kid=https://example.com/kid" +
         dots(105) + "|kidIssueDate=20230601|valueAtRisk=7|externalUnderlyingId=737737"},
    // Its currencies are plain numbers.
    {"806(ExternalUnderlying)",
     u32(806000001U) + txt(30, "EU0000000806") + u8(1) + txt(20, "EXT-1") +
         txt(50, "External underlying") + txt(4, "XEXT") + u16(978) + u16(840),
     "|externalUnderlyingId=806000001|productIdentification=EU0000000806"
     "|productIdentificationType=1(NotApplicable)|productCode=EXT-1" +
         dots(15) + "|productName=External underlying" + dots(31) +
         "|mic=XEXT|nominalCurrency=978|tradingCurrency=840"},
    // Order book.
    // Bytes after the layout are not printed.
    {"9(OrderAdd)",
     u64(9223372036854775809ULL) + u32(50505) + u8(1) + i64(-1005) + u64(300) + u8(1) + "TRAILING",
     "|publicOrderId=9223372036854775809|instrumentId=50505|side=1(Buy)|price=-1005|quantity=300"
     "|mmQuote=1"},
    {"10(OrderModify)",
     u32(4200000000U) + u64(4646464646ULL) + i64(5454) + u64(6262) + u8(2) + u8(2),
     "|instrumentId=4200000000|publicOrderId=4646464646|price=5454|quantity=6262"
     "|priorityFlag=2(Retained)|side=2(Sell)"},
    {"11(OrderCancel)", u32(42) + u64(18446744073709551615ULL) + u8(1),
     "|instrumentId=42|publicOrderId=18446744073709551615|side=1(Buy)"},
    {"12(OrderExecute)",
     u64(4242) + u32(5050) + u64(545454) + u32(626262) + i64(-6666) + u64(7474) + u8(2),
     "|quantity=4242|instrumentId=5050|publicOrderId=545454|executionId=626262"
     "|executionPrice=-6666|executionQuantity=7474|side=2(Sell)"},
    {"256(TopPriceLevelUpdate)", u32(256) + i64(-4646) + u64(5454) + u8(2) + u16(65000),
     "|instrumentId=256|price=-4646|quantity=5454|side=2(Sell)|orderCount=65000"},
    {"257(PriceLevelSnapshot)",
     u32(257257) + u8(10) + u8(3) + u8(4) + level(1, 2, 3, -4, 5, 6) + zeros(31 * 18) +
         level(0, 7, 8, 9, 10, 11),
     "|instrumentId=257257|maxDepth=10|mmBuyQuoteLevel=3|mmSellQuoteLevel=4|buy=[|isEncrypted=1"
     "|encryptionOffset=2|encryptionKeyId=3|price=-4|quantity=5|orderCount=6" +
         repeated("," + zero_level, 9) + "]|sell=[" + repeated(zero_level + ",", 9) +
         "|isEncrypted=0|encryptionOffset=7|encryptionKeyId=8|price=9|quantity=10|orderCount=11]"},
    {"268(AuctionUpdate)",
     u32(268) + i64(-4646) + u64(5454) + u64(6262) + u64(7070) + i64(-7878) + u64(8686) +
         i64(-9494) + u64(10210),
     "|instrumentId=268|indicativeMatchingPrice=-4646|indicativeMatchingVolume=5454"
     "|totalSellQuantityAtImp=6262|totalBuyQuantityAtImp=7070|bestSellLevel=-7878"
     "|bestSellLevelQuantity=8686|bestBuyLevel=-9494|bestBuyLevelQuantity=10210"},
    {"270(AuctionSummary)", u32(270) + i64(-4646) + u64(5454) + u8(9),
     "|instrumentId=270|price=-4646|quantity=5454|auctionType=9(UnsuspensionAuction)"},
    {"271(PriceUpdate)", u32(271) + u8(6) + u16(32) + i64(4949) + i64(-5757) + i64(6565),
     "|instrumentId=271|priceUpdateType=6(FixingYtm)|priceYtmPresence=32(YtmAskNoCalc)"
     "|value=4949|valueBid=-5757|valueAsk=6565"},
    {"272(OrderCollars)",
     u32(272) + u8(2) + i64(4747) + i64(-250) + i64(6363) + i64(-7171) + i64(7979),
     "|instrumentId=272|collarType=2|price=4747|lowerBid=-250|upperBid=6363|lowerAsk=-7171"
     "|upperAsk=7979"},
    {"273(TradeCollars)", u32(273) + u8(200) + i64(4747) + i64(-5555) + i64(6363),
     "|instrumentId=273|collarType=200|price=4747|lower=-5555|upper=6363"},
    // Trades and statistics.
    {"38(Trade)",
     u32(3800000000U) + i64(-4646464646LL) + u32(20231116) + u64(1700000000123456789ULL) +
         txt(30, "XX0000000001") + u8(2) + i64(-9797) + u16(978) + u8(3) + u64(10810810810ULL) +
         i64(116116) + u16(756) + txt(4, "XT") + u64(1700000000000000042ULL) + u32(4000000138U) +
         u8(1) + i64(-143) + i64(151) + u64(159) + u64(167167) + i64(175175) + i64(183) + i64(191) +
         i64(-199) + "\x01\x0b\x02\x08\x02\x03\x03\x01\x02\x04\x01\x07\x06",
     "|instrumentId=3800000000|settlementValue=-4646464646|settlementDate=20231116"
     "|tradingTimestamp=1700000000123456789(2023-11-14T22:13:20.123456789)"
     "|publicProductIdentification=|productIdentification=XX0000000001" +
         dots(18) +
         "|productIdentificationType=2(ISIN)|price=-9797|priceCurrency=978(EUR)"
         "|priceNotation=3(NotApplicable)|quantity=10810810810|nominalValue=116116"
         "|nominalCurrency=756(CHF)|mic=XT..|publicationTimestamp=1700000000000000042"
         "(2023-11-14T22:13:20.000000042)|tradeId=4000000138|tradeToBeCleared=1|pctChange=-143"
         "|vwap=151|noTrades=159|totalVolume=167167|totalValue=175175|openingPrice=183"
         "|maxPrice=191|minPrice=-199|mmtMarketMechanism=1(CentralLimitOrderBook)"
         "|mmtTradingMode=11(TradeReportingSystematicInternaliser)"
         "|mmtTransactionCategory=2(TradePriceImprovement )"
         "|mmtNegotiationIndicator=8(PreTradeTransparencyWaiversIlqdAndSize)"
         "|mmtAgencyCrossTradeIndicator=2(NoAgencyCrossTrade)|mmtModificationIndicator=3(NewTrade)"
         "|mmtBenchmarkReferencePriceIndicator=3(NoBenchmarkorReferencePriceTrade)"
         "|mmtSpecialDividendIndicator=1(SpecialDividendTrade)"
         "|mmtOffBookAutomatedIndicator=2(OffBookNonAutomated)"
         "|mmtOrdinaryTradeIndicator=4(PricePending)|mmtAlgorithmicIndicator=1(AlgorithmicTrade)"
         "|mmtPostTradeDeferralReason=7(NonImmediatePublicationIlqdAndLrgs)"
         "|mmtPostTradeDeferralType=6(VolumeOmissionTradeAggregated)"},
    {"671(InstrumentSummary)",
     u32(671) + i64(-4646) + i64(5454) + u8(6) + i64(-6363) + u8(11) + i64(-7272) + i64(8080) +
         u64(8888) + u64(9696) + i64(104104) + i64(112112) + i64(120120) + i64(-128128) + u8(1),
     "|instrumentId=671|lastTradedPrice=-4646|closingPrice=5454"
     "|closingPriceType=6(FinalSettlementPrice)|adjustedClosingPrice=-6363"
     "|adjustedClosingPriceReason=11(OtherReason)|pctChange=-7272|vwap=8080|noTrades=8888"
     "|totalVolume=9696|totalValue=104104|openingPrice=112112|maxPrice=120120|minPrice=-128128"
     "|isCorrection=1"},
    {"672(ProductSummary)",
     u32(4000000001U) + u8(2) + i64(-5) + i64(13) + u8(1) + i64(-22) + u8(2) + i64(-31) + i64(39) +
         u64(47) + u64(55) + i64(63) + i64(71) + i64(79) + i64(-87) + i64(95) + i64(-103) +
         u32(20231231) + u32(20231130) + sparse_block(1001, 5, 2, 3) +
         sparse_block(2001, 3, 5, 10) + sparse_block(3001, 4, 4, 1) + u8(2) +
         txt(30, "XX0000000672") + u32(549549) + txt(4, "XPS") + i64(-557) + i64(565) + u16(985) +
         u32(20231114) + i64(-579579579579LL) + u8(3) + u16(58800) + u8(190) + u8(2) + u8(1) +
         i64(593) + i64(601) + i64(609) + i64(-617) + i64(625) + i64(-633) + i64(641) + i64(649) +
         i64(657) + i64(665) + u8(1) + u8(0) + u8(1) + u8(0) + u8(4) + u8(1),
     "|clobInstrument=|instrumentId=4000000001|marketModelType=2(CLOB)|lastTradedPrice=-5"
     "|closingPrice=13|closingPriceType=1(InitialPrice)|adjustedClosingPrice=-22"
     "|adjustedClosingPriceReason=2(Regular)|pctChange=-31|vwap=39|noTrades=47|totalVolume=55"
     "|totalValue=63|openingPrice=71|maxPrice=79|minPrice=-87|settlementPrice=95"
     "|settlementValue=-103|endTradingDate=20231231|lastTradeDate=20231130|crossInstrument=" +
         sparse_block_text(1001, "5(CROSS)", "2(LTP)", "3(Dividend)") + "|blockInstrument=" +
         sparse_block_text(2001, "3(BLOCK)", "5(DailySettlementPrice)", "10(OrderPurge)") +
         "|hybridInstrument=" +
         sparse_block_text(3001, "4(HYBRID)", "4(FairValue)", "1(NotApplicable)") +
         "|productIdentificationType=2(ISIN)|productIdentification=XX0000000672"
         "|productId=549549|mic=XPS.|AccumulatedInterest=-557|interestRate=565"
         "|currency=985(PLN)|sessionDate=20231114|tradingValueCurrency=-579579579579"
         "|status=3(MarketOperationsSuspension)|sector=58800|market=190"
         "|markerPriceChange=2(Decrease)|lowerLiquidity=1|multiplier=593|impliedVolatility=601"
         "|dividendRate=609|delta=-617|gamma=625|rho=-633|theta=641|vega=649|volatility=657"
         "|optionsStrikePrice=665|dividend=1|subscriptionRight=0|interimDividendRight=1|split=0"
         "|quotationSystem=4(SinglePriceTwoFixings)|liquiditySupportPge=1"},
    {"801(PositionReport)",
     txt(30, "PR0000000801") + u8(1) + u8(3) + u32(3000000074U) + u32(78787878),
     "|publicProductIdentification=|productIdentification=PR0000000801" + dots(18) +
         "|productIdentificationType=1(NotApplicable)|posType=3(FIN)|openPositions=3000000074"
         "|tradeID=78787878"},
    // Indices.
    {"500(RealTimeIndex)",
     u32(500500) + u8(8) + u16(40000) + i64(-4949) + i64(5757) + i64(-6565) + i64(7373) +
         i64(8181) + u8(16) + i64(9090) + i64(9898) + i64(106106) + i64(-114114) + i64(122122),
     "|instrumentId=500500|indexLevelCode=8(ValueWithoutOpening)|numOfActiveInstruments=40000"
     "|indIndexOpeningPortfolio=-4949|indexValue=5757|pctChangeIndexValPrevSession=-6565"
     "|sessionLow=7373|sessionHigh=8181|presenceFlags=16(HasDifferenceCentralSpread)"
     "|tradingValue=9090|indexValueBid=9898|indexValueAsk=106106|midSpreadIndex=-114114"
     "|differenceCentralSpread=122122"},
    {"501(IndexSummary)",
     u32(501501) + i64(4646) + i64(-5454) + i64(6262) + i64(7070) + u8(1) + i64(7979) + i64(-8787) +
         i64(9595) + i64(103103103103LL) + i64(111111),
     "|instrumentId=501501|openingIndexValue=4646|sessionLow=-5454|sessionHigh=6262"
     "|closingIndexValue=7070|presenceFlags=1(HasSessionAvg)|sessionAvg=7979"
     "|pctChangeIndexValPrevSession=-8787|pctChangeIndexValPrevYear=9595"
     "|closingCapitalisationPortfolio=103103103103|indIndexOpeningPortfolio=111111"},
    {"502(IndexPortfolioEntry)",
     u32(502502) + u32(4646) + u8(1) + u32(5151) + txt(30, "XX0000000001") + u8(2) +
         txt(4, "XIDX") + u16(392) + u64(9292929292ULL) + u8(1),
     "|id=502502|indexId=4646|presenceFlags=1(HasInstrumentId)|instrumentId=5151"
     "|publicProductIdentification=|productIdentification=XX0000000001" +
         dots(18) +
         "|productIdentificationType=2(ISIN)|mic=XIDX|currency=392(JPY)"
         "|instrumentPacket=9292929292|suspended=1"},
    // Three underlyings fill the room: a count above it prints as received,
    // then the three, and bytes after the layout that would read as two more
    // stay unread. The presence flags are signed.
    {"503(IndexParams)",
     u32(503503) + i64(100000) + i64(5454545454LL) + u32(19991231) + i64(-6666) + u16(7474) +
         u8(3) + u8(2) + i8(-1) + u8(79) + u16(8080) + u8(5) + txt(30, "IX0000000001") + u8(2) +
         u8(1) + txt(30, "RR0000000002") + u8(1) + u8(2) + txt(30, "IX0000000003") + u8(2) + u8(1) +
         u16(179) + u16(978) + u32(20991231) + std::string(64, 'Z'),
     "|instrumentId=503503|indexBaseValue=100000|indexBaseCapitalisation=5454545454"
     "|indexBaseDate=19991231|correctionCoefficient=-6666|numOfComponents=7474"
     "|indexPublicationSchedule=3(Closing)|indexType=2(Z)|presenceFlags=-1(-1)"
     "|daysSinceLastPublication=79|numberOfDividends=8080|indexUnderlyings=|count=5["
     "|productIdentification=|productIdentification=IX0000000001" +
         dots(18) +
         "|productIdentificationType=2(ISIN)|indexUnderlyingType=1(Index)"
         ",|productIdentification=|productIdentification=RR0000000002" +
         dots(18) +
         "|productIdentificationType=1(NotApplicable)|indexUnderlyingType=2(ReferenceRate)"
         ",|productIdentification=|productIdentification=IX0000000003" +
         dots(18) +
         "|productIdentificationType=2(ISIN)|indexUnderlyingType=1(Index)]|publicationOrder=179"
         "|currency=978(EUR)|dateValidity=20991231"},
};

// After its length and type every message carries this header, and its
// text follows "length=..|MsgType=..|".
const std::string header_rest = u16(2) + u32(4000000001U) + u64(1700000000123456789ULL) +
                                u64(951868799999999999ULL) + u8(0) + u64(9000000000000000001ULL) +
                                u32(3000000002U) + u16(65001) + u8(250);
const std::string header_rest_text =
    "version=2|seqNum=4000000001|timestamp=1700000000123456789(2023-11-14T22:13:20.123456789)"
    "|sourceTimestamp=951868799999999999(2000-02-29T23:59:59.999999999)|isEncrypted=0"
    "|encryptionOffset=9000000000000000001|encryptionKeyId=3000000002|sessionId=65001"
    "|streamId=250|";

TEST(GoldenText, EveryPrintableType) {
    std::set<MsgType> covered;
    for (const golden& g : goldens) {
        const auto type = MsgType(std::stoi(std::string(g.type)));
        const std::size_t length = body_offset + g.body.size();
        // At an odd address, as in the receive buffer (a misaligned typed load
        // would abort under the undefined-behaviour sanitizer).
        const std::string odd = " " + u16(static_cast<std::uint16_t>(length)) +
                                u16(static_cast<std::uint16_t>(type)) + header_rest + g.body;
        text_stream out;
        ASSERT_TRUE(write_message(out, *find_layout(type), byte_view(odd.data() + 1, length)));
        EXPECT_EQ(out.view(), "length=" + std::to_string(length) + "|MsgType=" +
                                  std::string(g.type) + "|" + header_rest_text + g.text);
        covered.insert(type);
    }
    for (const catalogue_entry& entry : printable_messages()) {
        EXPECT_EQ(covered.count(entry.type), 1U) << static_cast<int>(entry.type);
    }
}

}  // namespace
}  // namespace tarn::md
