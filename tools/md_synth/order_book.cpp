#include "order_book.hpp"

#include <algorithm>
#include <iterator>
#include <set>
#include <stdexcept>

namespace tarn::synth {

namespace {

// Visits the levels of a side best first.
template <class Levels, class Visit>
void best_first(side s, const Levels& levels, Visit visit) {
    if (s == side::buy) {
        for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
            if (!visit(it->first, it->second)) {
                return;
            }
        }
    } else {
        for (const auto& [price, ids] : levels) {
            if (!visit(price, ids)) {
                return;
            }
        }
    }
}

}  // namespace

void order_book::add(const order& o) {
    if (!orders_.emplace(o.id, o).second) {
        throw std::logic_error("order id used twice");
    }
    levels(o.side)[o.price].push_back(o.id);
}

bool order_book::modify(std::uint64_t id, std::int64_t price, std::uint64_t quantity) {
    order& o = orders_.at(id);
    const bool keeps_priority = price == o.price && quantity <= o.quantity;
    if (!keeps_priority) {
        unlink(o);
        levels(o.side)[price].push_back(id);
    }
    o.price = price;
    o.quantity = quantity;
    return keeps_priority;
}

void order_book::remove(std::uint64_t id) {
    unlink(orders_.at(id));
    orders_.erase(id);
}

std::uint64_t order_book::execute(std::uint64_t id, std::uint64_t quantity) {
    order& o = orders_.at(id);
    if (quantity >= o.quantity) {
        remove(id);
        return 0;
    }
    o.quantity -= quantity;
    return o.quantity;
}

void order_book::clear() {
    orders_.clear();
    bids_.clear();
    asks_.clear();
}

const order* order_book::find(std::uint64_t id) const {
    const auto found = orders_.find(id);
    return found != orders_.end() ? &found->second : nullptr;
}

const order& order_book::nth(std::size_t n) const {
    return std::next(orders_.begin(), static_cast<std::ptrdiff_t>(n))->second;
}

std::size_t order_book::size(side s) const {
    std::size_t count = 0;
    for (const auto& [price, ids] : levels(s)) {
        count += ids.size();
    }
    return count;
}

level order_book::summary(std::int64_t price, const std::deque<std::uint64_t>& ids) const {
    level result{price, 0, static_cast<std::uint16_t>(ids.size())};
    for (const std::uint64_t id : ids) {
        result.quantity += orders_.at(id).quantity;
    }
    return result;
}

level order_book::best(side s) const {
    const std::vector<level> top = depth(s, 1);
    return top.empty() ? level{} : top.front();
}

std::vector<level> order_book::depth(side s, std::size_t count) const {
    std::vector<level> result;
    best_first(s, levels(s), [&](std::int64_t price, const std::deque<std::uint64_t>& ids) {
        if (result.size() == count) {
            return false;
        }
        result.push_back(summary(price, ids));
        return true;
    });
    return result;
}

std::vector<order> order_book::queue(side s) const {
    std::vector<order> result;
    best_first(s, levels(s), [&](std::int64_t, const std::deque<std::uint64_t>& ids) {
        std::transform(ids.begin(), ids.end(), std::back_inserter(result),
                       [this](std::uint64_t id) { return orders_.at(id); });
        return true;
    });
    return result;
}

void order_book::unlink(const order& o) {
    price_levels& side_levels = levels(o.side);
    const auto at_price = side_levels.find(o.price);
    std::deque<std::uint64_t>& ids = at_price->second;
    ids.erase(std::find(ids.begin(), ids.end(), o.id));
    if (ids.empty()) {
        side_levels.erase(at_price);
    }
}

auction_result equilibrium(const order_book& book, std::int64_t reference_price) {
    const std::vector<order> buys = book.queue(side::buy);
    const std::vector<order> sells = book.queue(side::sell);
    std::set<std::int64_t> prices;
    for (const order& o : buys) {
        prices.insert(o.price);
    }
    for (const order& o : sells) {
        prices.insert(o.price);
    }
    auto distance = [reference_price](std::int64_t price) {
        return price > reference_price ? price - reference_price : reference_price - price;
    };
    auction_result best;
    for (const std::int64_t price : prices) {
        auction_result candidate{price, 0, 0, 0};
        for (const order& o : buys) {
            candidate.buy_quantity += o.price >= price ? o.quantity : 0;
        }
        for (const order& o : sells) {
            candidate.sell_quantity += o.price <= price ? o.quantity : 0;
        }
        candidate.volume = std::min(candidate.buy_quantity, candidate.sell_quantity);
        if (candidate.volume == 0) {
            continue;
        }
        auto surplus = [](const auction_result& r) {
            return std::max(r.buy_quantity, r.sell_quantity) - r.volume;
        };
        const bool better =
            best.volume == 0 || candidate.volume > best.volume ||
            (candidate.volume == best.volume &&
             (surplus(candidate) < surplus(best) ||
              (surplus(candidate) == surplus(best) && distance(price) < distance(best.price))));
        if (better) {
            best = candidate;
        }
    }
    return best;
}

std::vector<fill> uncross(const order_book& book, const auction_result& at) {
    std::vector<fill> fills;
    std::vector<order> buys = book.queue(side::buy);
    std::vector<order> sells = book.queue(side::sell);
    std::uint64_t left = at.volume;
    auto buy = buys.begin();
    auto sell = sells.begin();
    while (left > 0 && buy != buys.end() && sell != sells.end() && buy->price >= at.price &&
           sell->price <= at.price) {
        const std::uint64_t quantity = std::min({left, buy->quantity, sell->quantity});
        fills.push_back({buy->id, sell->id, quantity});
        left -= quantity;
        buy->quantity -= quantity;
        sell->quantity -= quantity;
        if (buy->quantity == 0) {
            ++buy;
        }
        if (sell->quantity == 0) {
            ++sell;
        }
    }
    return fills;
}

}  // namespace tarn::synth
