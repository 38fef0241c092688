#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "calendar.hpp"
#include "md/enum_tables.hpp"
#include "order_book.hpp"
#include "reference_data.hpp"
#include "session_feed.hpp"

namespace tarn::synth {

// The day's trading in one instrument so far.
struct trading_statistics {
    std::int64_t opening = 0;
    std::int64_t high = 0;
    std::int64_t low = 0;
    std::int64_t last = 0;
    std::uint64_t trades = 0;
    std::uint64_t volume = 0;
    std::int64_t value = 0;  // the sum of price times quantity

    void record(std::int64_t price, std::uint64_t quantity);
    std::int64_t vwap() const {
        return volume == 0 ? 0 : value / static_cast<std::int64_t>(volume);
    }
};

// The MmtTradingMode of a trade.
enum class trading_mode : std::uint8_t {
    opening_auction = md::wire_value<md::MmtTradingMode>("ScheduledOpeningAuction"),
    closing_auction = md::wire_value<md::MmtTradingMode>("ScheduledClosingAuction"),
    continuous = md::wire_value<md::MmtTradingMode>("ContinuousTrading"),
};

// The order books of the shares, their statistics and the index, with the
// messages that publish every change. Each operation sends its messages
// through the feed; the books and what the feed published stay consistent.
class market {
  public:
    market(random_source& random, session_feed& feed, const reference_data& data,
           const session_date& date);

    // The shares that trade, numbered from 0.
    std::size_t size() const { return books_.size(); }
    const order_book& book(std::size_t share) const { return books_.at(share).book; }
    const trading_statistics& statistics(std::size_t share) const { return books_.at(share).stats; }

    // Session, status and reference prices.
    void session_status(std::uint8_t event);
    void phase_change(std::size_t share, phase to);
    void clear_book(std::size_t share);
    void reference_price(std::size_t share);
    void collars(std::size_t share, std::uint8_t collar_type, std::int64_t around);
    void news(std::string_view title, std::string_view text, std::uint8_t entry,
              std::uint8_t total);
    void position_report(std::uint8_t pos_type);

    // Order flow. The random operations return false when the book has
    // nothing to work on (no order to modify, no side to hit).
    void add(std::size_t share, side s, std::int64_t price, std::uint64_t quantity);
    void add_passive(std::size_t share);
    bool modify_random(std::size_t share);
    bool cancel_random(std::size_t share);
    // With `any_side`, the side drawn may be the other when it is empty.
    bool execute_aggressive(std::size_t share, bool any_side = false);

    // Auctions: the indicative result after a change, and the uncrossing at
    // the end of a call, which trades and then publishes the new top of book.
    void auction_update(std::size_t share);
    void uncross(std::size_t share, std::uint8_t auction_type, trading_mode mode);
    // The closing call: two orders that cross for exactly one match, the
    // uncrossing, the end of day purge and the day's summaries.
    void closing_auction(std::size_t share);

    // Publication.
    void publish_top(std::size_t share, bool always);
    void snapshot(std::size_t share);
    void mid_price(std::size_t share);
    void index_value(std::uint8_t level_code);
    void index_summaries();

    // What the operations send: one message each, but for publish_top, a
    // message for each side that changed, and for an execution against a
    // resting order, the execution and the trade; an uncrossing sends its
    // summary and, for each match, an execution for each side and a trade.
    static constexpr std::uint64_t top_of_book_messages = 2;
    static constexpr std::uint64_t execution_messages = 2;
    static constexpr std::uint64_t match_messages = 3;
    // An aggressive order takes this many resting orders at the most.
    static constexpr std::uint64_t most_orders_taken = 3;
    // The most messages one random order-flow operation sends: an aggressive
    // order that takes the most resting orders, then the new top of book.
    static constexpr std::uint64_t max_operation_messages =
        most_orders_taken * execution_messages + top_of_book_messages;
    // Messages closing_auction sends for one share: the phase change, two
    // orders each with an auction update, the uncrossing of one match, the
    // close, the cleared book and the two summaries.
    static constexpr std::uint64_t closing_auction_messages =
        1 + 2 * 2 + (1 + match_messages) + 1 + 1 + 2;

  private:
    struct share_state {
        const listed_instrument* listing;
        order_book book;
        trading_statistics stats;
        std::array<level, 2> published{};  // the last top of book sent, buy then sell
        std::int64_t closing_price = 0;
    };

    std::uint64_t new_quantity();
    std::optional<order> random_resting(const order_book& book);
    std::int64_t passive_price(const order_book& book, side s, std::int64_t last);
    void execution(std::size_t share, const order& resting, std::uint64_t quantity,
                   std::int64_t price, std::uint32_t execution_id);
    void trade(std::size_t share, std::int64_t price, std::uint64_t quantity,
               std::uint32_t trade_id, trading_mode mode);
    void instrument_summary(std::size_t share);
    void product_summary(std::size_t share);
    std::vector<std::int64_t> last_prices() const;

    random_source& random_;
    session_feed& feed_;
    const reference_data& data_;
    session_date date_;
    std::vector<share_state> books_;
    std::uint64_t next_order_id_;
    std::uint32_t next_execution_id_ = 1;
    std::uint32_t next_news_id_ = 1;
    // The values of the price index published today, each counted as a
    // trade of quantity 1: their mean is the index's vwap.
    trading_statistics index_;
};

}  // namespace tarn::synth
