// Full text of the session, control and status messages, every field set.

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
    m.version(2)
        .seq_num(4000000001U)
        .timestamp(1700000000123456789ULL)
        .source_timestamp(1700000000000000042ULL)
        .is_encrypted(0)
        .encryption_offset(9000000000000000001ULL)
        .encryption_key_id(3000000002U)
        .session_id(65001)
        .stream_id(250);
    return m;
}

// The header text of such a message; `type` is the code and its name, as in "9(OrderAdd)".
std::string header(std::size_t length, std::string_view type) {
    return "length=" + std::to_string(length) + "|MsgType=" + std::string(type) +
           "|version=2|seqNum=4000000001"
           "|timestamp=1700000000123456789(2023-11-14T22:13:20.123456789)"
           "|sourceTimestamp=1700000000000000042(2023-11-14T22:13:20.000000042)"
           "|isEncrypted=0|encryptionOffset=9000000000000000001|encryptionKeyId=3000000002"
           "|sessionId=65001|streamId=250|";
}

std::string dots(std::size_t count) { return std::string(count, '.'); }

TEST(GoldenSession, LogoutIsTheHeaderTextAlone) {
    const auto m = message(669, 42);
    EXPECT_EQ(full_text(m), header(42, "669(Logout)"));
}

TEST(GoldenSession, Login) {
    auto m = message(667, 53);
    m.put<std::uint16_t>(42, 40001).text(44, "TOKEN7", 8).put<std::uint8_t>(52, 2);
    EXPECT_EQ(full_text(m),
              header(53, "667(Login)") + "|connectionId=40001|token=TOKEN7..|filter=2(RefData)");
}

TEST(GoldenSession, LoginResponse) {
    auto m = message(668, 43);
    m.put<std::uint8_t>(42, 3);
    EXPECT_EQ(full_text(m), header(43, "668(LoginResponse)") + "|result=3(AlreadyLoggedIn)");
}

TEST(GoldenSession, EndOfSnapshotPrintsItsNumberUnsigned) {
    auto m = message(670, 46);
    m.put<std::uint32_t>(42, 4000000000U);
    EXPECT_EQ(full_text(m), header(46, "670(EndOfSnapshot)") + "|lastSeqNum=4000000000");
}

TEST(GoldenSession, EncryptionKeyPrintsItsKeyAsText) {
    auto m = message(24, 78);
    m.put<std::uint32_t>(42, 3500000001U)
        .text(46, "Secret Key 42", 32)
        .raw(59, std::string_view("\x01\x7f\x80\x81\xff", 5));
    // 13 characters, the five raw bytes (0x7F and 0x80 as themselves), 14 zero bytes.
    EXPECT_EQ(full_text(m), header(78, "24(EncryptionKey)") +
                                "|id=3500000001|secretKey=Secret Key 42."
                                "\x7f\x80"
                                ".." +
                                dots(14));
}

TEST(GoldenSession, TestEvent) {
    auto m = message(8192, 243);
    m.text(42, "Failover drill", 200).put<std::uint8_t>(242, 3);
    EXPECT_EQ(full_text(m), header(243, "8192(TestEvent)") + "|scenarioName=Failover drill" +
                                dots(186) + "|eventType=3(ScenarioEnd)");
}

TEST(GoldenSession, NewsPrintsTitleAndTextInFull) {
    auto m = message(517, 932);
    m.put<std::uint32_t>(42, 4000000003U)
        .put<std::uint32_t>(46, 123456)
        .text(50, "Market notice", 80)
        .put<std::uint8_t>(130, 2)
        .put<std::uint8_t>(131, 200)
        .text(132, "Line one\nLine two", 800);
    EXPECT_EQ(full_text(m), header(932, "517(News)") +
                                "|marketStructureId=4000000003|newsId=123456|title=Market notice" +
                                dots(67) + "|entryNumber=2|total=200|text=Line one.Line two" +
                                dots(783));
}

TEST(GoldenSession, TradingSessionStatus) {
    auto m = message(23, 55);
    m.text(42, "XMKT", 4)
        .put<std::uint32_t>(46, 77)
        .put<std::uint8_t>(50, 12)
        .put<std::uint32_t>(51, 20231114);
    EXPECT_EQ(full_text(m), header(55, "23(TradingSessionStatus)") +
                                "|marketId=XMKT|marketStructureId=77"
                                "|tradingSessionEvent=12(StartOfTradingSessionMIC)|date=20231114");
}

TEST(GoldenSession, TradingSessionStatusWithZeroMarketIdAndEndOfSession) {
    auto m = message(23, 55);
    m.put<std::uint32_t>(46, 78).put<std::uint8_t>(50, 3).put<std::uint32_t>(51, 20231115);
    EXPECT_EQ(full_text(m), header(55, "23(TradingSessionStatus)") +
                                "|marketId=....|marketStructureId=78"
                                "|tradingSessionEvent=3(EndOfTechnicalSession)|date=20231115");
}

TEST(GoldenSession, InstrumentStatusChange) {
    auto m = message(26, 53);
    m.put<std::uint32_t>(42, 1234567)
        .put<std::uint32_t>(46, 89)
        .put<std::uint8_t>(50, 22)
        .put<std::uint8_t>(51, 10)
        .put<std::uint8_t>(52, 1);
    EXPECT_EQ(full_text(m), header(53, "26(InstrumentStatusChange)") +
                                "|instrumentId=1234567|tradingPhaseId=89"
                                "|tradingPhaseType=22(HybridPreTradeBuyOnly)"
                                "|status=10(HybridKnockoutByIssuer)|stressedMarket=1");
}

TEST(GoldenSession, FlagByteOtherThanZeroOrOnePrintsItsDecimalValue) {
    auto m = message(26, 53);
    m.put<std::uint32_t>(42, 5)
        .put<std::uint32_t>(46, 6)
        .put<std::uint8_t>(50, 1)
        .put<std::uint8_t>(51, 1)
        .put<std::uint8_t>(52, 7);
    EXPECT_EQ(full_text(m), header(53, "26(InstrumentStatusChange)") +
                                "|instrumentId=5|tradingPhaseId=6"
                                "|tradingPhaseType=1(ContinuousPriceTime)"
                                "|status=1(Active)|stressedMarket=7");
}

TEST(GoldenSession, OrderBookEvent) {
    auto m = message(410, 47);
    m.put<std::uint32_t>(42, 4294967295U).put<std::uint8_t>(46, 2);
    EXPECT_EQ(full_text(m), header(47, "410(OrderBookEvent)") +
                                "|instrumentId=4294967295|eventType=2(ResendStart)");
}

}  // namespace
}  // namespace tarn::md
