// The pieces under the tools: fields set by name, auctions, pacing.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "md/message_builder.hpp"
#include "order_book.hpp"
#include "pacing.hpp"

namespace tarn {
namespace {

TEST(MessageBuilderByName, NamedFieldsLandWhereTheirOffsetsSay) {
    md::message_builder by_name(md::MsgType::OrderAdd);
    by_name.set("seqNum", std::uint32_t{77})
        .set("publicOrderId", std::uint64_t{123456789})
        .set("instrumentId", std::uint32_t{1001})
        .set("side", std::uint8_t{2})
        .set("price", std::int64_t{-5})
        .set("quantity", std::uint64_t{300})
        .set("mmQuote", std::uint8_t{1});
    md::message_builder by_offset(md::MsgType::OrderAdd, 72);
    by_offset.seq_num(77)
        .put<std::uint64_t>(42, 123456789)
        .put<std::uint32_t>(50, 1001)
        .put<std::uint8_t>(54, 2)
        .put<std::int64_t>(55, -5)
        .put<std::uint64_t>(63, 300)
        .put<std::uint8_t>(71, 1);
    EXPECT_EQ(by_name.view(), by_offset.view());

    md::message_builder status(md::MsgType::TradingSessionStatus);
    status.set_text("marketId", "XTRNLONGER");
    EXPECT_EQ(status.view().substr(42, 4), "XTRN");
    EXPECT_EQ(status.offset_of("tradingSessionEvent"), 50U);
}

TEST(MessageBuilderByName, WrongNamesKindsAndWidthsAreRefused) {
    md::message_builder m(md::MsgType::OrderAdd);
    EXPECT_THROW(m.set("prize", std::int64_t{1}), std::invalid_argument);
    EXPECT_THROW(m.set("price", 1), std::invalid_argument);  // an int is 4 bytes, the price 8
    EXPECT_THROW(m.set_text("price", "1"), std::invalid_argument);
    md::message_builder news(md::MsgType::News);
    EXPECT_THROW(news.set("title", std::uint64_t{1}), std::invalid_argument);
    EXPECT_THROW(md::message_builder{md::MsgType::Heartbeat}, std::invalid_argument);
    md::message_builder heartbeat(md::MsgType::Heartbeat, 42);
    EXPECT_NO_THROW(heartbeat.set("timestamp", std::uint64_t{5}));
    EXPECT_THROW(heartbeat.set("price", std::int64_t{1}), std::invalid_argument);
}

// Bids 10.02 x 100, 10.01 x 200; asks 10.00 x 150, 10.01 x 100. At 10.01,
// 300 buy and 250 sell: 250 trade, the most any price allows.
TEST(Auction, TheEquilibriumTradesTheMostAndTheUncrossingFillsByPriority) {
    using synth::side;
    synth::order_book book;
    book.add({1, side::buy, 100200, 100});
    book.add({2, side::buy, 100100, 200});
    book.add({3, side::sell, 100000, 150});
    book.add({4, side::sell, 100100, 100});
    const synth::auction_result at = synth::equilibrium(book, 100000);
    EXPECT_EQ(at.price, 100100);
    EXPECT_EQ(at.volume, 250U);
    EXPECT_EQ(at.buy_quantity, 300U);
    EXPECT_EQ(at.sell_quantity, 250U);
    const std::vector<synth::fill> fills = synth::uncross(book, at);
    ASSERT_EQ(fills.size(), 3U);
    EXPECT_EQ(fills[0].buy_id, 1U);
    EXPECT_EQ(fills[0].sell_id, 3U);
    EXPECT_EQ(fills[0].quantity, 100U);
    EXPECT_EQ(fills[1].buy_id, 2U);
    EXPECT_EQ(fills[1].sell_id, 3U);
    EXPECT_EQ(fills[1].quantity, 50U);
    EXPECT_EQ(fills[2].buy_id, 2U);
    EXPECT_EQ(fills[2].sell_id, 4U);
    EXPECT_EQ(fills[2].quantity, 100U);

    synth::order_book apart;
    apart.add({1, side::buy, 99000, 100});
    apart.add({2, side::sell, 100000, 100});
    EXPECT_EQ(synth::equilibrium(apart, 99500).volume, 0U);
    EXPECT_TRUE(synth::uncross(apart, synth::equilibrium(apart, 99500)).empty());
}

TEST(Pacing, DueTimesFollowTheCaptureTheRateOrNothing) {
    using std::chrono::milliseconds;
    replay::pacing capture;
    EXPECT_EQ(replay::due_after(capture, 7, 250'000'000), milliseconds(250));
    capture.speed = 4;
    EXPECT_EQ(replay::due_after(capture, 7, 250'000'000),
              milliseconds(62) + std::chrono::microseconds(500));
    replay::pacing rate{replay::pacing::mode::rate, 1, 200};
    EXPECT_EQ(replay::due_after(rate, 0, 999), milliseconds(0));
    EXPECT_EQ(replay::due_after(rate, 30, 999), milliseconds(150));
    replay::pacing fast{replay::pacing::mode::fast};
    EXPECT_EQ(replay::due_after(fast, 1000, 5'000'000'000), milliseconds(0));
}

}  // namespace
}  // namespace tarn
