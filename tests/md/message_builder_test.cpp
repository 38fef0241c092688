// Messages built field by field, as md_synth and the tests build them.

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "md/message_builder.hpp"

namespace tarn {
namespace {

TEST(MessageBuilderByName, NamedFieldsLandWhereTheirOffsetsSay) {
    md::message_builder by_name(md::MsgType::OrderAdd);
    by_name.set("seqNum", std::uint32_t{77})
        .set("publicOrderId", std::uint64_t{123456789})
        .set("instrumentId", std::uint32_t{1001})
        .set("mmQuote", std::uint8_t{1});
    md::message_builder by_offset(md::MsgType::OrderAdd, 72);
    by_offset.put<std::uint32_t>(6, 77)
        .put<std::uint64_t>(42, 123456789)
        .put<std::uint32_t>(50, 1001)
        .put<std::uint8_t>(71, 1);
    EXPECT_EQ(by_name.view(), by_offset.view());
    md::message_builder status(md::MsgType::TradingSessionStatus);
    status.set_text("marketId", "XTRNLONGER");
    EXPECT_EQ(status.view().substr(42, 4), "XTRN");
    EXPECT_EQ(status.offset_of("tradingSessionEvent"), 50U);
    // Wrong names, kinds and widths (an int is 4 bytes, the price 8).
    EXPECT_THROW(by_name.set("prize", std::int64_t{1}), std::invalid_argument);
    EXPECT_THROW(by_name.set("price", 1), std::invalid_argument);
    EXPECT_THROW(by_name.set_text("price", "1"), std::invalid_argument);
    md::message_builder news(md::MsgType::News);
    EXPECT_THROW(news.set("title", std::uint64_t{1}), std::invalid_argument);
    EXPECT_THROW(md::message_builder{md::MsgType::Heartbeat}, std::invalid_argument);
    md::message_builder heartbeat(md::MsgType::Heartbeat, 42);
    EXPECT_NO_THROW(heartbeat.set("timestamp", std::uint64_t{5}));
    EXPECT_THROW(heartbeat.set("price", std::int64_t{1}), std::invalid_argument);
}

}  // namespace
}  // namespace tarn
