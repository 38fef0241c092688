// The pieces under the tools: auctions, pacing.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "order_book.hpp"
#include "pacing.hpp"

namespace tarn {
namespace {

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
    EXPECT_EQ(std::make_tuple(at.price, at.volume, at.buy_quantity, at.sell_quantity),
              std::make_tuple(100100, 250U, 300U, 250U));
    std::string fills;
    for (const synth::fill& f : synth::uncross(book, at)) {
        fills += spdlog::fmt_lib::format("{}-{}x{} ", f.buy_id, f.sell_id, f.quantity);
    }
    EXPECT_EQ(fills, "1-3x100 2-3x50 2-4x100 ");
    // Levels sum the orders at one price, best first on both sides.
    book.add({5, side::buy, 100100, 50});
    EXPECT_EQ(book.depth(side::buy, 3),
              (std::vector<synth::level>{{100200, 100, 1}, {100100, 250, 2}}));
    EXPECT_EQ(book.depth(side::sell, 1), (std::vector<synth::level>{{100000, 150, 1}}));
    EXPECT_EQ(book.best(side::sell), (synth::level{100000, 150, 1}));
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
    EXPECT_EQ(replay::due_after(capture, 7, 250'000'000), std::chrono::microseconds(62'500));
    const replay::pacing rate{replay::pacing::mode::rate, 1, 200};
    EXPECT_EQ(replay::due_after(rate, 0, 999), milliseconds(0));
    EXPECT_EQ(replay::due_after(rate, 30, 999), milliseconds(150));
    EXPECT_EQ(replay::due_after({replay::pacing::mode::fast}, 1000, 5'000'000'000),
              milliseconds(0));
}

}  // namespace
}  // namespace tarn
