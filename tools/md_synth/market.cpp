#include "market.hpp"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <stdexcept>
#include <string>

#include "block_fields.hpp"
#include "md/layouts/order_book_messages.hpp"
#include "md/layouts/trade_messages.hpp"
#include "wire_types.hpp"

namespace tarn::synth {

namespace {

constexpr std::size_t snapshot_depth = 10;
constexpr u8 active = wire_value<md::InstrumentStatus>("Active");

std::size_t index_of(side s) { return s == side::buy ? 0 : 1; }

// A percentage with four decimals: 1.25 % is 12500.
i64 percent_change(i64 from, i64 to) {
    return from == 0 ? 0 : (to - from) * 100 * price_scale / from;
}

void set_isin_block(md::message_builder& m, std::string_view field, std::string_view isin) {
    set_isin_in(m, m.offset_of(field), isin);
}

// The day's trading figures as the trade and summary messages carry them,
// each through `set(name, value)`.
template <class Set>
void set_statistics(const trading_statistics& stats, const Set& set) {
    set("vwap", stats.vwap());
    set("noTrades", stats.trades);
    set("totalVolume", stats.volume);
    set("totalValue", stats.value);
    set("openingPrice", stats.opening);
    set("maxPrice", stats.high);
    set("minPrice", stats.low);
}

// The close of a share as both its summaries carry it.
template <class Set>
void set_closing(const trading_statistics& stats, i64 reference_price, i64 closing_price,
                 const Set& set) {
    set("lastTradedPrice", stats.last);
    set("closingPrice", closing_price);
    set("closingPriceType", wire_value<md::ClosingPriceType>("LastACP"));
    set("adjustedClosingPrice", closing_price);
    set("adjustedClosingPriceReason", wire_value<md::AdjustedClosingPriceReason>("NotApplicable"));
    set("pctChange", percent_change(reference_price, closing_price));
    set_statistics(stats, set);
}

}  // namespace

void trading_statistics::record(std::int64_t price, std::uint64_t quantity) {
    if (trades == 0) {
        opening = high = low = price;
    }
    high = std::max(high, price);
    low = std::min(low, price);
    last = price;
    ++trades;
    volume += quantity;
    value += price * static_cast<i64>(quantity);
}

market::market(random_source& random, session_feed& feed, const reference_data& data,
               const session_date& date)
    : random_(random),
      feed_(feed),
      data_(data),
      date_(date),
      next_order_id_(random.between(1, 9) * 1'000'000'000'000 + 1) {
    std::transform(data.shares.begin(), data.shares.end(), std::back_inserter(books_),
                   [](const listed_instrument& share) {
                       return share_state{&share, {}, {}, {}, 0};
                   });
}

void market::session_status(std::uint8_t event) {
    md::message_builder m(MsgType::TradingSessionStatus);
    m.set_text("marketId", venue_mic)
        .set("marketStructureId", market_id)
        .set("tradingSessionEvent", event)
        .set("date", date_.number());
    feed_.send(m);
}

void market::phase_change(std::size_t share, phase to) {
    md::message_builder m(MsgType::InstrumentStatusChange);
    m.set("instrumentId", books_.at(share).listing->id)
        .set("tradingPhaseId", static_cast<u32>(to))
        .set("tradingPhaseType", phase_type(to))
        .set("status", active)
        .set("stressedMarket", u8{0});
    feed_.send(m);
}

void market::clear_book(std::size_t share) {
    share_state& s = books_.at(share);
    s.book.clear();
    s.published = {};
    md::message_builder m(MsgType::OrderBookEvent);
    m.set("instrumentId", s.listing->id)
        .set("eventType", wire_value<md::OrderBookEventType>("Clear"));
    feed_.send(m);
}

void market::reference_price(std::size_t share) {
    const listed_instrument& listing = *books_.at(share).listing;
    md::message_builder m(MsgType::PriceUpdate);
    m.set("instrumentId", listing.id)
        .set("priceUpdateType", wire_value<md::PriceUpdateType>("ReferencePrice"))
        .set("priceYtmPresence", wire_value<md::PriceYtmPresence>("value"))
        .set("value", listing.reference_price);
    feed_.send(m);
}

void market::collars(std::size_t share, std::uint8_t collar_type, std::int64_t around) {
    // Static collars are wide, dynamic ones narrow; trades get narrower ones than orders.
    const i64 order_width = around * (collar_type == 1 ? 50 : 10) / 100;
    const i64 trade_width = around * (collar_type == 1 ? 10 : 5) / 100;
    const u32 id = books_.at(share).listing->id;
    md::message_builder orders(MsgType::OrderCollars);
    orders.set("instrumentId", id)
        .set("collarType", collar_type)
        .set("price", around)
        .set("lowerBid", on_tick(around - order_width))
        .set("upperBid", on_tick(around + order_width))
        .set("lowerAsk", on_tick(around - order_width))
        .set("upperAsk", on_tick(around + order_width));
    feed_.send(orders);
    md::message_builder trades(MsgType::TradeCollars);
    trades.set("instrumentId", id)
        .set("collarType", collar_type)
        .set("price", around)
        .set("lower", on_tick(around - trade_width))
        .set("upper", on_tick(around + trade_width));
    feed_.send(trades);
}

void market::news(std::string_view title, std::string_view text, std::uint8_t entry,
                  std::uint8_t total) {
    md::message_builder m(MsgType::News);
    m.set("marketStructureId", market_id)
        .set("newsId", next_news_id_)
        .set_text("title", title)
        .set("entryNumber", entry)
        .set("total", total)
        .set_text("text", text);
    if (entry == total) {
        ++next_news_id_;
    }
    feed_.send(m);
}

void market::position_report(std::uint8_t pos_type) {
    md::message_builder m(MsgType::PositionReport);
    set_isin_block(m, "publicProductIdentification", data_.warrant.isin);
    m.set("posType", pos_type)
        .set("openPositions", static_cast<u32>(data_.warrant.issue_size / 40))
        .set("tradeID", u32{0});
    feed_.send(m);
}

std::uint64_t market::new_quantity() { return random_.between(1, 40) * 25; }

std::optional<order> market::random_resting(const order_book& book) {
    if (book.size() == 0) {
        return std::nullopt;
    }
    return book.nth(random_.between(0, book.size() - 1));
}

std::int64_t market::passive_price(const order_book& book, side s, std::int64_t last) {
    const level opposite_best = book.best(opposite(s));
    const level own_best = book.best(s);
    const int away = static_cast<int>(random_.between(1, 8));
    const int direction = s == side::buy ? -1 : 1;
    if (opposite_best.orders != 0) {
        return ticks_away(opposite_best.price, direction * away);  // never crosses
    }
    const i64 anchor = own_best.orders != 0 ? own_best.price : last;
    return ticks_away(anchor, direction * (away - 1));
}

void market::add(std::size_t share, side s, std::int64_t price, std::uint64_t quantity) {
    share_state& state = books_.at(share);
    const order o{next_order_id_++, s, price, quantity};
    state.book.add(o);
    md::message_builder m(MsgType::OrderAdd);
    m.set("publicOrderId", o.id)
        .set("instrumentId", state.listing->id)
        .set("side", static_cast<u8>(s))
        .set("price", price)
        .set("quantity", quantity)
        .set("mmQuote", u8{0});
    feed_.send(m);
}

void market::add_passive(std::size_t share) {
    const share_state& state = books_.at(share);
    const side s = random_.chance(50) ? side::buy : side::sell;
    const i64 last = state.stats.last != 0 ? state.stats.last : state.listing->reference_price;
    add(share, s, passive_price(state.book, s, last), new_quantity());
    publish_top(share, false);
}

bool market::modify_random(std::size_t share) {
    share_state& state = books_.at(share);
    const std::optional<order> resting = random_resting(state.book);
    if (!resting) {
        return false;
    }
    const order& o = *resting;
    i64 price = o.price;
    u64 quantity = o.quantity;
    if (o.quantity > 25 && random_.chance(50)) {
        quantity = random_.between(1, (o.quantity - 1) / 25) * 25;  // smaller: keeps its place
    } else {
        price = ticks_away(o.price, static_cast<int>(random_.between_signed(-3, 3)));
        const level opposite_best = state.book.best(opposite(o.side));
        if (opposite_best.orders != 0) {
            const bool crosses =
                o.side == side::buy ? price >= opposite_best.price : price <= opposite_best.price;
            if (crosses) {
                price = ticks_away(opposite_best.price, o.side == side::buy ? -1 : 1);
            }
        }
        if (random_.chance(30)) {
            quantity = new_quantity();
        }
    }
    const bool retained = state.book.modify(o.id, price, quantity);
    md::message_builder m(MsgType::OrderModify);
    m.set("instrumentId", state.listing->id)
        .set("publicOrderId", o.id)
        .set("price", price)
        .set("quantity", quantity)
        .set("priorityFlag", retained ? wire_value<md::PriorityFlag>("Retained")
                                      : wire_value<md::PriorityFlag>("Lost"))
        .set("side", static_cast<u8>(o.side));
    feed_.send(m);
    publish_top(share, false);
    return true;
}

bool market::cancel_random(std::size_t share) {
    share_state& state = books_.at(share);
    const std::optional<order> resting = random_resting(state.book);
    if (!resting) {
        return false;
    }
    state.book.remove(resting->id);
    md::message_builder m(MsgType::OrderCancel);
    m.set("instrumentId", state.listing->id)
        .set("publicOrderId", resting->id)
        .set("side", static_cast<u8>(resting->side));
    feed_.send(m);
    publish_top(share, false);
    return true;
}

bool market::execute_aggressive(std::size_t share, bool any_side) {
    share_state& state = books_.at(share);
    side hit = random_.chance(50) ? side::buy : side::sell;
    std::vector<order> queue = state.book.queue(hit);
    if (queue.empty() && any_side) {
        hit = hit == side::buy ? side::sell : side::buy;
        queue = state.book.queue(hit);
    }
    if (queue.empty()) {
        return false;
    }
    // An incoming order that takes one to three resting orders, the last
    // perhaps only in part; it leaves nothing in the book.
    const std::size_t takes =
        std::min<std::size_t>(queue.size(), random_.between(1, most_orders_taken));
    for (std::size_t k = 0; k < takes; ++k) {
        const order& resting = queue[k];
        const bool partly = k + 1 == takes && resting.quantity > 25 && random_.chance(50);
        const u64 quantity =
            partly ? random_.between(1, (resting.quantity - 1) / 25) * 25 : resting.quantity;
        const u32 id = next_execution_id_++;
        execution(share, resting, quantity, resting.price, id);
        trade(share, resting.price, quantity, id, trading_mode::continuous);
    }
    publish_top(share, false);
    return true;
}

void market::execution(std::size_t share, const order& resting, std::uint64_t quantity,
                       std::int64_t price, std::uint32_t execution_id) {
    share_state& state = books_.at(share);
    const u64 left = state.book.execute(resting.id, quantity);
    md::message_builder m(MsgType::OrderExecute);
    m.set("quantity", left)
        .set("instrumentId", state.listing->id)
        .set("publicOrderId", resting.id)
        .set("executionId", execution_id)
        .set("executionPrice", price)
        .set("executionQuantity", quantity)
        .set("side", static_cast<u8>(resting.side));
    feed_.send(m);
}

void market::trade(std::size_t share, std::int64_t price, std::uint64_t quantity,
                   std::uint32_t trade_id, trading_mode mode) {
    share_state& state = books_.at(share);
    trading_statistics& stats = state.stats;
    stats.record(price, quantity);
    const listed_instrument& listing = *state.listing;
    md::message_builder m(MsgType::Trade);
    m.set("instrumentId", listing.id)
        .set("settlementValue", price * static_cast<i64>(quantity))
        .set("settlementDate", date_.business_days_later(2))
        .set("tradingTimestamp", feed_.now())
        .set("price", price)
        .set("priceCurrency", euro)
        .set("priceNotation", wire_value<md::PriceExpressionType>("Price"))
        .set("quantity", quantity)
        .set("nominalValue", i64{0})
        .set("nominalCurrency", euro)
        .set_text("mic", venue_mic)
        .set("publicationTimestamp", feed_.now() + 250)
        .set("tradeId", trade_id)
        .set("tradeToBeCleared", u8{1})
        .set("pctChange", percent_change(listing.reference_price, price))
        .set("mmtMarketMechanism", wire_value<md::MmtMarketMechanism>("CentralLimitOrderBook"))
        .set("mmtTradingMode", static_cast<u8>(mode))
        .set("mmtTransactionCategory", wire_value<md::MmtTransactionCategory>("None"))
        .set("mmtNegotiationIndicator",
             wire_value<md::MmtNegotiationIndicator>("NoNegotiatedTrade"))
        .set("mmtAgencyCrossTradeIndicator",
             wire_value<md::MmtAgencyCrossTradeIndicator>("NoAgencyCrossTrade"))
        .set("mmtModificationIndicator", wire_value<md::MmtModificationIndicator>("NewTrade"))
        .set(
            "mmtBenchmarkReferencePriceIndicator",
            wire_value<md::MmtBenchmarkReferencePriceIndicator>("NoBenchmarkorReferencePriceTrade"))
        .set("mmtSpecialDividendIndicator",
             wire_value<md::MmtSpecialDividendIndicator>("NoSpecialDividendTrade"))
        .set("mmtOffBookAutomatedIndicator",
             wire_value<md::MmtOffBookAutomatedIndicator>("UnspecifiedOrNotApply"))
        .set("mmtOrdinaryTradeIndicator",
             wire_value<md::MmtOrdinaryTradeIndicator>("PlainVanillaTrade"))
        .set("mmtAlgorithmicIndicator",
             random_.chance(60) ? wire_value<md::MmtAlgorithmicIndicator>("AlgorithmicTrade")
                                : wire_value<md::MmtAlgorithmicIndicator>("NoAlgorithmicTrade"))
        .set("mmtPostTradeDeferralReason",
             wire_value<md::MmtPostTradeDeferralReason>("ImmediatePublication"))
        .set("mmtPostTradeDeferralType", wire_value<md::MmtPostTradeDeferralType>("NotApplicable"));
    set_statistics(stats, [&m](std::string_view name, auto value) { m.set(name, value); });
    set_isin_block(m, "publicProductIdentification", listing.isin);
    feed_.send(m);
}

void market::auction_update(std::size_t share) {
    const share_state& state = books_.at(share);
    const auction_result at = equilibrium(state.book, state.listing->reference_price);
    const level best_sell = state.book.best(side::sell);
    const level best_buy = state.book.best(side::buy);
    md::message_builder m(MsgType::AuctionUpdate);
    m.set("instrumentId", state.listing->id)
        .set("indicativeMatchingPrice", at.price)
        .set("indicativeMatchingVolume", at.volume)
        .set("totalSellQuantityAtImp", at.sell_quantity)
        .set("totalBuyQuantityAtImp", at.buy_quantity)
        .set("bestSellLevel", best_sell.price)
        .set("bestSellLevelQuantity", best_sell.quantity)
        .set("bestBuyLevel", best_buy.price)
        .set("bestBuyLevelQuantity", best_buy.quantity);
    feed_.send(m);
}

void market::uncross(std::size_t share, std::uint8_t auction_type, trading_mode mode) {
    share_state& state = books_.at(share);
    const auction_result at = equilibrium(state.book, state.listing->reference_price);
    md::message_builder summary(MsgType::AuctionSummary);
    summary.set("instrumentId", state.listing->id)
        .set("price", at.price)
        .set("quantity", at.volume)
        .set("auctionType", auction_type);
    feed_.send(summary);
    for (const fill& f : synth::uncross(state.book, at)) {
        const order buy = *state.book.find(f.buy_id);
        const order sell = *state.book.find(f.sell_id);
        const u32 id = next_execution_id_++;
        execution(share, buy, f.quantity, at.price, id);
        execution(share, sell, f.quantity, at.price, id);
        trade(share, at.price, f.quantity, id, mode);
    }
    if (mode == trading_mode::closing_auction) {
        state.closing_price = at.price;
    }
}

void market::closing_auction(std::size_t share) {
    share_state& state = books_.at(share);
    const std::uint64_t before = feed_.counts().messages;
    phase_change(share, phase::closing_call);
    const level best_ask = state.book.best(side::sell);
    if (best_ask.orders != 0) {
        // A buy that takes exactly the first order at the best ask, and a
        // sell above it that does not trade.
        const order first = state.book.queue(side::sell).front();
        add(share, side::buy, first.price, first.quantity);
        auction_update(share);
        add(share, side::sell, ticks_away(first.price, 2), new_quantity());
        auction_update(share);
    } else {
        // Nobody sells: a sell and a buy for the same quantity at one price
        // above every bid.
        const level best_bid = state.book.best(side::buy);
        const i64 price =
            best_bid.orders != 0 ? ticks_away(best_bid.price, 1) : state.listing->reference_price;
        const u64 quantity = new_quantity();
        add(share, side::sell, price, quantity);
        auction_update(share);
        add(share, side::buy, price, quantity);
        auction_update(share);
    }
    uncross(share, wire_value<md::AuctionType>("ClosingAuction"), trading_mode::closing_auction);
    phase_change(share, phase::closed);
    clear_book(share);  // orders valid for the day expire
    instrument_summary(share);
    product_summary(share);
    if (feed_.counts().messages - before != closing_auction_messages) {
        throw std::logic_error(
            "the closing auction of a share sent an unplanned number of messages");
    }
}

void market::publish_top(std::size_t share, bool always) {
    share_state& state = books_.at(share);
    for (const side s : {side::buy, side::sell}) {
        const level top = state.book.best(s);
        level& published = state.published.at(index_of(s));
        if (!always && top == published) {
            continue;
        }
        published = top;
        md::message_builder m(MsgType::TopPriceLevelUpdate);
        m.set("instrumentId", state.listing->id)
            .set("price", top.price)
            .set("quantity", top.quantity)
            .set("side", static_cast<u8>(s))
            .set("orderCount", top.orders);
        feed_.send(m);
    }
}

void market::snapshot(std::size_t share) {
    const share_state& state = books_.at(share);
    md::message_builder m(MsgType::PriceLevelSnapshot);
    m.set("instrumentId", state.listing->id)
        .set("maxDepth", static_cast<u8>(snapshot_depth))
        .set("mmBuyQuoteLevel", u8{0})
        .set("mmSellQuoteLevel", u8{0});
    for (const auto& [s, list] : {std::pair{side::buy, "buy"}, std::pair{side::sell, "sell"}}) {
        const std::size_t first = m.offset_of(list);
        std::size_t at = first;
        for (const level& l : state.book.depth(s, snapshot_depth)) {
            set_in(m, at, md::price_level_layout, "price", l.price);
            set_in(m, at, md::price_level_layout, "quantity", l.quantity);
            set_in(m, at, md::price_level_layout, "orderCount", l.orders);
            at += md::price_level_layout.size;
        }
    }
    feed_.send(m);
}

void market::mid_price(std::size_t share) {
    const share_state& state = books_.at(share);
    const level bid = state.book.best(side::buy);
    const level ask = state.book.best(side::sell);
    const bool both = bid.orders != 0 && ask.orders != 0;
    md::message_builder m(MsgType::PriceUpdate);
    m.set("instrumentId", state.listing->id)
        .set("priceUpdateType", both ? wire_value<md::PriceUpdateType>("MidPrice")
                                     : wire_value<md::PriceUpdateType>("ReferencePrice"))
        .set("priceYtmPresence", wire_value<md::PriceYtmPresence>("value"))
        .set("value", both ? (bid.price + ask.price) / 2 : state.listing->reference_price);
    feed_.send(m);
}

std::vector<std::int64_t> market::last_prices() const {
    std::vector<i64> prices;
    std::transform(books_.begin(), books_.end(), std::back_inserter(prices),
                   [](const share_state& s) {
                       return s.stats.last != 0 ? s.stats.last : s.listing->reference_price;
                   });
    return prices;
}

void market::index_value(std::uint8_t level_code) {
    const i64 value = synth::index_value(data_, last_prices());
    index_.record(value, 1);
    const i64 traded_value =
        std::accumulate(books_.begin(), books_.end(), i64{0},
                        [](i64 sum, const share_state& s) { return sum + s.stats.value; });
    md::message_builder m(MsgType::RealTimeIndex);
    m.set("instrumentId", data_.price_index.id)
        .set("indexLevelCode", level_code)
        .set("numOfActiveInstruments", static_cast<u16>(books_.size()))
        .set("indIndexOpeningPortfolio", index_.opening)
        .set("indexValue", value)
        .set("pctChangeIndexValPrevSession",
             percent_change(data_.price_index.reference_price, value))
        .set("sessionLow", index_.low)
        .set("sessionHigh", index_.high)
        .set("presenceFlags", wire_value<md::RealTimeIndexPresenceFlags>("HasTradingValue"))
        .set("tradingValue", traded_value);
    feed_.send(m);
}

void market::index_summaries() {
    const std::vector<i64> prices = last_prices();
    const i64 closing = synth::index_value(data_, prices);
    const i64 capitalisation = portfolio_value(data_, prices) / price_scale;  // in euros
    for (const listed_instrument* index : {&data_.price_index, &data_.total_return_index}) {
        // The total return index stands at twice the price index here.
        const i64 factor = index == &data_.total_return_index ? 2 : 1;
        md::message_builder m(MsgType::IndexSummary);
        m.set("instrumentId", index->id)
            .set("openingIndexValue", index_.opening * factor)
            .set("sessionLow", index_.low * factor)
            .set("sessionHigh", index_.high * factor)
            .set("closingIndexValue", closing * factor)
            .set("presenceFlags", wire_value<md::IndexSummaryPresenceFlags>("HasSessionAvg"))
            .set("sessionAvg", index_.vwap() * factor)
            .set("pctChangeIndexValPrevSession",
                 percent_change(index->reference_price, closing * factor))
            .set("pctChangeIndexValPrevYear",
                 static_cast<i64>(random_.between_signed(-150'000, 250'000)))
            .set("closingCapitalisationPortfolio", capitalisation)
            .set("indIndexOpeningPortfolio", index_.opening * factor);
        feed_.send(m);
    }
}

void market::instrument_summary(std::size_t share) {
    const share_state& state = books_.at(share);
    md::message_builder m(MsgType::InstrumentSummary);
    m.set("instrumentId", state.listing->id).set("isCorrection", u8{0});
    set_closing(state.stats, state.listing->reference_price, state.closing_price,
                [&m](std::string_view name, auto value) { m.set(name, value); });
    feed_.send(m);
}

void market::product_summary(std::size_t share) {
    const share_state& state = books_.at(share);
    const trading_statistics& stats = state.stats;
    const listed_instrument& listing = *state.listing;
    const md::layout& block = md::instrument_statistics_layout;
    md::message_builder m(MsgType::ProductSummary);
    const std::size_t clob = m.offset_of("clobInstrument");
    set_in(m, clob, block, "instrumentId", listing.id);
    set_in(m, clob, block, "marketModelType", wire_value<md::MarketModelType>("CLOB"));
    set_closing(stats, listing.reference_price, state.closing_price,
                [&](std::string_view name, auto value) { set_in(m, clob, block, name, value); });
    set_in(m, clob, block, "lastTradeDate", date_.number());
    // No cross, block or hybrid trading in shares: those blocks only name their model.
    set_in(m, m.offset_of("crossInstrument"), block, "marketModelType",
           wire_value<md::MarketModelType>("CROSS"));
    set_in(m, m.offset_of("blockInstrument"), block, "marketModelType",
           wire_value<md::MarketModelType>("BLOCK"));
    set_in(m, m.offset_of("hybridInstrument"), block, "marketModelType",
           wire_value<md::MarketModelType>("HYBRID"));
    const i64 change = state.closing_price - listing.reference_price;
    m.set("productIdentificationType", isin_type)
        .set_text("productIdentification", listing.isin)
        .set("productId", listing.product_id)
        .set_text("mic", venue_mic)
        .set("currency", euro)
        .set("sessionDate", date_.number())
        .set("tradingValueCurrency", stats.value)
        .set("status", active)
        .set("sector", static_cast<u16>(1000 + 10 * share))
        .set("market", u8{1})
        .set("markerPriceChange", change > 0   ? wire_value<md::MarkerPriceChange>("Increase")
                                  : change < 0 ? wire_value<md::MarkerPriceChange>("Decrease")
                                               : wire_value<md::MarkerPriceChange>("NoChange"))
        .set("lowerLiquidity", u8{0})
        .set("multiplier", i64{1})
        .set("quotationSystem", wire_value<md::QuotationSystem>("ContinuousTrading"));
    feed_.send(m);
}

}  // namespace tarn::synth
