// Messages whose length is smaller than the layout of their type: nothing of the body is
// read or printed, and the full display says so in one warning.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "log_capture.hpp"
#include "md/catalogue.hpp"
#include "md/message_builder.hpp"
#include "processing/md_processors.hpp"
#include "render.hpp"

namespace tarn::md {
namespace {

using tarn::testing::full_text;

// A printable type, its name and the size of its layout. Logout (42 bytes) has no body
// and so no short form of 42 bytes or more.
struct printable {
    std::uint16_t code;
    std::string_view name;
    std::size_t size;
};

void PrintTo(const printable& p, std::ostream* out) { *out << p.name; }

constexpr printable all_types[] = {
    // Session, control and status.
    {667, "Login", 53},
    {668, "LoginResponse", 43},
    {670, "EndOfSnapshot", 46},
    {24, "EncryptionKey", 78},
    {8192, "TestEvent", 243},
    {517, "News", 932},
    {23, "TradingSessionStatus", 55},
    {26, "InstrumentStatusChange", 53},
    {410, "OrderBookEvent", 47},
    // Reference data.
    {32, "TickTableEntry", 62},
    {33, "WeekPlan", 53},
    {35, "CalendarException", 51},
    {36, "AccruedInterestTableEntry", 58},
    {37, "IndexationTableEntry", 58},
    {108, "CollarTableEntry", 96},
    {299, "CollarGroup", 62},
    {27, "TradingPhaseScheduleEntry", 82},
    {275, "MarketStructure", 105},
    {279, "Instrument", 741},
    {806, "ExternalUnderlying", 155},
    // Order book and auctions.
    {9, "OrderAdd", 72},
    {10, "OrderModify", 72},
    {11, "OrderCancel", 55},
    {12, "OrderExecute", 83},
    {256, "TopPriceLevelUpdate", 65},
    {257, "PriceLevelSnapshot", 669},
    {268, "AuctionUpdate", 110},
    {270, "AuctionSummary", 63},
    {271, "PriceUpdate", 73},
    {272, "OrderCollars", 87},
    {273, "TradeCollars", 71},
    // Trades and statistics.
    {38, "Trade", 220},
    {671, "InstrumentSummary", 137},
    {672, "ProductSummary", 679},
    {801, "PositionReport", 82},
    // Indices.
    {500, "RealTimeIndex", 130},
    {501, "IndexSummary", 119},
    {502, "IndexPortfolioEntry", 101},
    {503, "IndexParams", 187},
};

// A message of `type` whose header length and byte count are both `length`; every body
// byte is 'A', so a count, a flag or a text read from it would not be zero.
message_builder message(const printable& type, std::size_t length) {
    message_builder m(static_cast<MsgType>(type.code), length);
    m.version(6)
        .seq_num(31337)
        .timestamp(1700000000123456789ULL)
        .source_timestamp(1700000000000000042ULL)
        .encryption_offset(8)
        .encryption_key_id(9)
        .session_id(10)
        .stream_id(11);
    if (length > 42) {
        m.raw(42, std::string(length - 42, 'A'));
    }
    return m;
}

std::string header(std::size_t length, const printable& type) {
    return "length=" + std::to_string(length) + "|MsgType=" + std::to_string(type.code) + "(" +
           std::string(type.name) +
           ")|version=6|seqNum=31337"
           "|timestamp=1700000000123456789(2023-11-14T22:13:20.123456789)"
           "|sourceTimestamp=1700000000000000042(2023-11-14T22:13:20.000000042)"
           "|isEncrypted=0|encryptionOffset=8|encryptionKeyId=9|sessionId=10|streamId=11|";
}

class ShortMessage : public ::testing::TestWithParam<printable> {};

TEST_P(ShortMessage, EveryLengthBelowTheLayoutPrintsNothing) {
    const printable& type = GetParam();
    for (std::size_t length = 42; length < type.size; ++length) {
        const message_builder m = message(type, length);
        ASSERT_EQ(m.bytes().size(), length);
        EXPECT_EQ(full_text(m), "") << "length " << length;
    }
}

TEST_P(ShortMessage, TheLayoutSizeItselfPrintsInFull) {
    const printable& type = GetParam();
    const std::string text = full_text(message(type, type.size));
    EXPECT_TRUE(text.starts_with(header(type.size, type) + "|")) << text;
}

TEST_P(ShortMessage, FullDisplayWarnsOnceAndCountsTheMessage) {
    const printable& type = GetParam();
    for (const std::size_t length : {std::size_t{42}, type.size - 1}) {
        const tarn::testing::log_capture log;
        full_display_processor p;
        const message_builder m = message(type, length);
        const std::vector<char> data(m.bytes().begin(), m.bytes().end());
        ASSERT_EQ(data.size(), length);
        p.msg_ = data.data();
        p.header_ = reinterpret_cast<const Header*>(data.data());

        p.process();

        EXPECT_EQ(log.records(),
                  std::vector{tarn::testing::warn(
                      "Message shorter than its layout, " + std::to_string(length) + " of " +
                      std::to_string(type.size) + " bytes: " + header(length, type))});
        EXPECT_TRUE(p.errors_);
        EXPECT_EQ(p.counts_,
                  (std::map<MsgType, std::uint64_t>{{static_cast<MsgType>(type.code), 1}}));
    }
}

INSTANTIATE_TEST_SUITE_P(ShortMessages, ShortMessage, ::testing::ValuesIn(all_types),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShortMessageProcessor, MessageOfItsLayoutSizeIsShownWithoutError) {
    const tarn::testing::log_capture log;
    full_display_processor p;
    const printable order_cancel{11, "OrderCancel", 55};
    const message_builder m = message(order_cancel, 55);
    const std::vector<char> data(m.bytes().begin(), m.bytes().end());
    p.msg_ = data.data();
    p.header_ = reinterpret_cast<const Header*>(data.data());

    p.process();

    // Every body byte is 'A' (0x41).
    EXPECT_EQ(
        log.records(),
        std::vector{tarn::testing::info(header(55, order_cancel) +
                                        "|instrumentId=1094795585|publicOrderId=4702111234474983745"
                                        "|side=65(65)")});
    EXPECT_FALSE(p.errors_);
    EXPECT_EQ(p.counts_, (std::map<MsgType, std::uint64_t>{{MsgType::OrderCancel, 1}}));
}

TEST(ShortMessageProcessor, EachShortMessageGivesItsOwnWarning) {
    const tarn::testing::log_capture log;
    full_display_processor p;
    const printable trade{38, "Trade", 220};
    for (const std::size_t length : {100, 219}) {
        const message_builder m = message(trade, length);
        const std::vector<char> data(m.bytes().begin(), m.bytes().end());
        p.msg_ = data.data();
        p.header_ = reinterpret_cast<const Header*>(data.data());
        p.process();
    }
    EXPECT_EQ(
        log.records(),
        (std::vector{tarn::testing::warn("Message shorter than its layout, 100 of 220 bytes: " +
                                         header(100, trade)),
                     tarn::testing::warn("Message shorter than its layout, 219 of 220 bytes: " +
                                         header(219, trade))}));
    EXPECT_TRUE(p.errors_);
    EXPECT_EQ(p.counts_, (std::map<MsgType, std::uint64_t>{{MsgType::Trade, 2}}));
}

// A printer handed less than a header (the receive loop never does that)
// still reads nothing past the message: the warning shows the header fields
// that fit. Found by fuzzing the printers; the input was an empty message.
TEST(ShortMessageProcessor, PrinterOfAMessageBelowTheHeaderReadsOnlyItsBytes) {
    const printable login{667, "Login", 53};
    const message_printer printer{find_layout(MsgType{667})};
    for (const std::size_t length : {0, 1, 41}) {
        const tarn::testing::log_capture log;
        const message_builder m = message(login, 42);
        // Exactly `length` bytes on the heap, so a read past them is caught.
        const auto bytes = std::make_unique<char[]>(length);
        std::memcpy(bytes.get(), m.bytes().data(), length);

        EXPECT_FALSE(printer(byte_view(bytes.get(), length)));

        const std::string shown =
            length == 41 ? header(42, login).substr(0, header(42, login).rfind("streamId=")) : "";
        EXPECT_EQ(
            log.records(),
            std::vector{tarn::testing::warn("Message shorter than its layout, " +
                                            std::to_string(length) + " of 53 bytes: " + shown)});
    }
}

}  // namespace
}  // namespace tarn::md
