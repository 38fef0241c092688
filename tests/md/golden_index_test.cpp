// Full text of the index messages, every field set.

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
    m.version(5)
        .seq_num(500)
        .timestamp(4102444800000000000ULL)
        .source_timestamp(18446744073709551615ULL)
        .is_encrypted(0)
        .encryption_offset(123456789012ULL)
        .encryption_key_id(503)
        .session_id(2)
        .stream_id(99);
    return m;
}

// The header text of such a message; `type` is the code and its name, as in "503(IndexParams)".
std::string header(std::size_t length, std::string_view type) {
    return "length=" + std::to_string(length) + "|MsgType=" + std::string(type) +
           "|version=5|seqNum=500"
           "|timestamp=4102444800000000000(2100-01-01T00:00:00.000000000)"
           "|sourceTimestamp=18446744073709551615(2554-07-21T23:34:33.709551615)"
           "|isEncrypted=0|encryptionOffset=123456789012|encryptionKeyId=503|sessionId=2"
           "|streamId=99|";
}

std::string dots(std::size_t count) { return std::string(count, '.'); }

message_builder real_time_index(std::uint8_t presence) {
    auto m = message(500, 130);
    m.put<std::uint32_t>(42, 500500)
        .put<std::uint8_t>(46, 8)
        .put<std::uint16_t>(47, 40000)
        .put<std::int64_t>(49, -4949)
        .put<std::int64_t>(57, 5757)
        .put<std::int64_t>(65, -6565)
        .put<std::int64_t>(73, 7373)
        .put<std::int64_t>(81, 8181)
        .put<std::uint8_t>(89, presence)
        .put<std::int64_t>(90, 9090)
        .put<std::int64_t>(98, 9898)
        .put<std::int64_t>(106, 106106)
        .put<std::int64_t>(114, -114114)
        .put<std::int64_t>(122, 122122);
    return m;
}

std::string real_time_index_text(std::string_view presence) {
    return header(130, "500(RealTimeIndex)") +
           "|instrumentId=500500|indexLevelCode=8(ValueWithoutOpening)"
           "|numOfActiveInstruments=40000|indIndexOpeningPortfolio=-4949|indexValue=5757"
           "|pctChangeIndexValPrevSession=-6565|sessionLow=7373|sessionHigh=8181"
           "|presenceFlags=" +
           std::string(presence) +
           "|tradingValue=9090|indexValueBid=9898|indexValueAsk=106106"
           "|midSpreadIndex=-114114|differenceCentralSpread=122122";
}

TEST(GoldenIndex, RealTimeIndex) {
    EXPECT_EQ(full_text(real_time_index(16)),
              real_time_index_text("16(HasDifferenceCentralSpread)"));
}

TEST(GoldenIndex, RealTimeIndexCombinedPresenceBitsHaveNoName) {
    EXPECT_EQ(full_text(real_time_index(3)), real_time_index_text("3(3)"));
}

TEST(GoldenIndex, IndexSummary) {
    auto m = message(501, 119);
    m.put<std::uint32_t>(42, 501501)
        .put<std::int64_t>(46, 4646)
        .put<std::int64_t>(54, -5454)
        .put<std::int64_t>(62, 6262)
        .put<std::int64_t>(70, 7070)
        .put<std::uint8_t>(78, 1)
        .put<std::int64_t>(79, 7979)
        .put<std::int64_t>(87, -8787)
        .put<std::int64_t>(95, 9595)
        .put<std::int64_t>(103, 103103103103LL)
        .put<std::int64_t>(111, 111111);
    EXPECT_EQ(full_text(m), header(119, "501(IndexSummary)") +
                                "|instrumentId=501501|openingIndexValue=4646|sessionLow=-5454"
                                "|sessionHigh=6262|closingIndexValue=7070"
                                "|presenceFlags=1(HasSessionAvg)|sessionAvg=7979"
                                "|pctChangeIndexValPrevSession=-8787"
                                "|pctChangeIndexValPrevYear=9595"
                                "|closingCapitalisationPortfolio=103103103103"
                                "|indIndexOpeningPortfolio=111111");
}

TEST(GoldenIndex, IndexPortfolioEntry) {
    auto m = message(502, 101);
    m.put<std::uint32_t>(42, 502502)
        .put<std::uint32_t>(46, 4646)
        .put<std::uint8_t>(50, 1)
        .put<std::uint32_t>(51, 5151)
        .text(55, "XX0000000001", 30)
        .put<std::uint8_t>(85, 2)
        .text(86, "XIDX", 4)
        .put<std::uint16_t>(90, 392)
        .put<std::uint64_t>(92, 9292929292ULL)
        .put<std::uint8_t>(100, 1);
    EXPECT_EQ(full_text(m), header(101, "502(IndexPortfolioEntry)") +
                                "|id=502502|indexId=4646|presenceFlags=1(HasInstrumentId)"
                                "|instrumentId=5151"
                                "|publicProductIdentification=|productIdentification=XX0000000001" +
                                dots(18) +
                                "|productIdentificationType=2(ISIN)|mic=XIDX|currency=392(JPY)"
                                "|instrumentPacket=9292929292|suspended=1");
}

// IndexParams with all fields set, all three underlyings filled, and the given count and
// presence flags.
message_builder index_params(std::uint8_t count, std::int8_t presence) {
    auto m = message(503, 187);
    m.put<std::uint32_t>(42, 503503)
        .put<std::int64_t>(46, 100000)
        .put<std::int64_t>(54, 5454545454LL)
        .put<std::uint32_t>(62, 19991231)
        .put<std::int64_t>(66, -6666)
        .put<std::uint16_t>(74, 7474)
        .put<std::uint8_t>(76, 3)
        .put<std::uint8_t>(77, 2)
        .put<std::int8_t>(78, presence)
        .put<std::uint8_t>(79, 79)
        .put<std::uint16_t>(80, 8080)
        .put<std::uint8_t>(82, count)
        .text(83, "IX0000000001", 30)
        .put<std::uint8_t>(113, 2)
        .put<std::uint8_t>(114, 1)
        .text(115, "RR0000000002", 30)
        .put<std::uint8_t>(145, 1)
        .put<std::uint8_t>(146, 2)
        .text(147, "IX0000000003", 30)
        .put<std::uint8_t>(177, 2)
        .put<std::uint8_t>(178, 1)
        .put<std::uint16_t>(179, 179)
        .put<std::uint16_t>(181, 978)
        .put<std::uint32_t>(183, 20991231);
    return m;
}

const std::string underlying_1 = "|productIdentification=|productIdentification=IX0000000001" +
                                 dots(18) +
                                 "|productIdentificationType=2(ISIN)|indexUnderlyingType=1(Index)";
const std::string underlying_2 =
    "|productIdentification=|productIdentification=RR0000000002" + dots(18) +
    "|productIdentificationType=1(NotApplicable)|indexUnderlyingType=2(ReferenceRate)";
const std::string underlying_3 = "|productIdentification=|productIdentification=IX0000000003" +
                                 dots(18) +
                                 "|productIdentificationType=2(ISIN)|indexUnderlyingType=1(Index)";

// The text of the message above; `list` is the count and elements, as in "|count=0[]".
std::string index_params_text(std::string_view presence, std::string_view list,
                              std::size_t length = 187) {
    return header(length, "503(IndexParams)") +
           "|instrumentId=503503|indexBaseValue=100000|indexBaseCapitalisation=5454545454"
           "|indexBaseDate=19991231|correctionCoefficient=-6666|numOfComponents=7474"
           "|indexPublicationSchedule=3(Closing)|indexType=2(Z)|presenceFlags=" +
           std::string(presence) +
           "|daysSinceLastPublication=79|numberOfDividends=8080|indexUnderlyings=" +
           std::string(list) + "|publicationOrder=179|currency=978(EUR)|dateValidity=20991231";
}

TEST(GoldenIndex, IndexParamsWithThreeUnderlyings) {
    EXPECT_EQ(
        full_text(index_params(3, 2)),
        index_params_text("2(HasNumberOfDividends)", "|count=3[" + underlying_1 + "," +
                                                         underlying_2 + "," + underlying_3 + "]"));
}

TEST(GoldenIndex, IndexParamsWithoutUnderlyings) {
    const std::string text = full_text(index_params(0, 1));
    EXPECT_EQ(text, index_params_text("1(HasDaysSinceLastPublication)", "|count=0[]"));
    EXPECT_NE(text.find("|indexUnderlyings=|count=0[]|publicationOrder="), std::string::npos);
}

TEST(GoldenIndex, IndexParamsWithOneUnderlying) {
    EXPECT_EQ(full_text(index_params(1, 0)),
              index_params_text("0(None)", "|count=1[" + underlying_1 + "]"));
}

TEST(GoldenIndex, IndexParamsCountAboveCapacityPrintsTheThreeElementsThatExist) {
    const std::string list =
        "|count=5[" + underlying_1 + "," + underlying_2 + "," + underlying_3 + "]";
    EXPECT_EQ(full_text(index_params(5, 2)), index_params_text("2(HasNumberOfDividends)", list));

    // Bytes after the layout that would read as two more underlyings stay unread.
    auto longer = index_params(5, 2);
    longer.text(187, "IX0000000004", 30)
        .put<std::uint8_t>(217, 2)
        .put<std::uint8_t>(218, 1)
        .text(219, "IX0000000005", 30)
        .put<std::uint8_t>(249, 2)
        .put<std::uint8_t>(250, 1)
        .length(251);
    EXPECT_EQ(full_text(longer), index_params_text("2(HasNumberOfDividends)", list, 251));
}

TEST(GoldenIndex, IndexParamsPresenceFlagsAreSigned) {
    EXPECT_EQ(full_text(index_params(0, -1)), index_params_text("-1(-1)", "|count=0[]"));
    EXPECT_EQ(full_text(index_params(0, -128)), index_params_text("-128(-128)", "|count=0[]"));
}

}  // namespace
}  // namespace tarn::md
