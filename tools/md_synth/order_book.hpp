#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "md/enum_tables.hpp"

namespace tarn::synth {

// The wire values of the Side enumeration.
enum class side : std::uint8_t {
    buy = md::wire_value<md::Side>("Buy"),
    sell = md::wire_value<md::Side>("Sell"),
};

inline side opposite(side s) { return s == side::buy ? side::sell : side::buy; }

struct order {
    std::uint64_t id = 0;
    synth::side side = side::buy;
    std::int64_t price = 0;
    std::uint64_t quantity = 0;
};

// One price level as the feed publishes it; all zero for an empty side.
struct level {
    std::int64_t price = 0;
    std::uint64_t quantity = 0;
    std::uint16_t orders = 0;

    bool operator==(const level&) const = default;
};

// The resting orders of one instrument, by price and then time priority.
class order_book {
  public:
    void add(const order& o);
    // A new price and quantity. Returns true when the order keeps its place
    // in the queue: same price and no larger quantity.
    bool modify(std::uint64_t id, std::int64_t price, std::uint64_t quantity);
    void remove(std::uint64_t id);
    // Takes `quantity` off the order, removing it when nothing is left.
    // Returns the quantity left.
    std::uint64_t execute(std::uint64_t id, std::uint64_t quantity);
    void clear();

    const order* find(std::uint64_t id) const;
    // The `n`-th order by id, 0 <= n < size(): to pick one at random.
    const order& nth(std::size_t n) const;
    std::size_t size() const { return orders_.size(); }
    std::size_t size(side s) const;

    level best(side s) const;
    // The best `count` levels of a side, best first; fewer when the side is thinner.
    std::vector<level> depth(side s, std::size_t count) const;
    // The orders of a side in priority order: best price first, then the oldest.
    std::vector<order> queue(side s) const;

  private:
    using price_levels = std::map<std::int64_t, std::deque<std::uint64_t>>;
    price_levels& levels(side s) { return s == side::buy ? bids_ : asks_; }
    const price_levels& levels(side s) const { return s == side::buy ? bids_ : asks_; }
    level summary(std::int64_t price, const std::deque<std::uint64_t>& ids) const;
    void unlink(const order& o);

    std::map<std::uint64_t, order> orders_;
    price_levels bids_;  // best is the highest price
    price_levels asks_;  // best is the lowest price
};

// What an auction would trade at now.
struct auction_result {
    std::int64_t price = 0;  // 0 when nothing would trade
    std::uint64_t volume = 0;
    std::uint64_t buy_quantity = 0;   // all buying at the price or better
    std::uint64_t sell_quantity = 0;  // all selling at the price or better
};

// The price that trades the most; on a tie the one that leaves the smaller
// surplus, then the one closest to the reference price.
auction_result equilibrium(const order_book& book, std::int64_t reference_price);

// One match of the uncrossing: a buy order and a sell order, for a quantity.
struct fill {
    std::uint64_t buy_id;
    std::uint64_t sell_id;
    std::uint64_t quantity;
};

// The matches that trade the auction's volume at its price, in priority
// order. The book is not changed.
std::vector<fill> uncross(const order_book& book, const auction_result& at);

}  // namespace tarn::synth
