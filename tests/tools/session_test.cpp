// The synthetic session as a receiver sees it: in order, timed like a real
// sender, the same for the same settings, and with books, trades and
// instruments that are consistent with the order flow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "datagram_queue.hpp"
#include "isin.hpp"
#include "log_capture.hpp"
#include "md/catalogue.hpp"
#include "md/layouts/order_book_messages.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"
#include "session_script.hpp"

namespace tarn::synth {
namespace {

// Reading a session back as a receiver sees it: the payloads of its
// datagrams as one byte stream, cut into messages by their length, and
// fields read by their protocol names.
struct stream_message {
    std::string bytes;
    bool split;  // continues into a later datagram
};

// The messages of datagrams laid end to end; throws when the stream ends
// inside a message or a length is below the header's size.
std::vector<stream_message> cut_into_messages(const std::vector<std::string>& datagrams) {
    std::string stream;
    std::vector<std::size_t> ends;
    for (const std::string& d : datagrams) {
        ends.push_back((stream += d).size());
    }
    std::vector<stream_message> messages;
    for (std::size_t at = 0; at < stream.size();) {
        std::uint16_t length = 0;
        std::memcpy(&length, stream.data() + at, std::min<std::size_t>(2, stream.size() - at));
        if (length < sizeof(md::Header) || at + length > stream.size()) {
            throw std::runtime_error("bad length " + std::to_string(length));
        }
        const bool split = at + length > *std::upper_bound(ends.begin(), ends.end(), at);
        messages.push_back({stream.substr(at, length), split});
        at += length;
    }
    return messages;
}

template <class T>
T load(std::string_view bytes, std::size_t offset) {
    if (offset + sizeof(T) > bytes.size()) {
        throw std::out_of_range("read beyond the message");
    }
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

md::MsgType type_of(std::string_view message) {
    return load<md::MsgType>(message, md::msg_type_offset);
}

// A field by its name in a layout; `field` reads one from the header or the
// layout of the message's type, T of the field's width.
const md::field& field_named(std::string_view name, const md::layout& in) {
    const auto found = std::ranges::find(in.fields, name, &md::field::name);
    if (found == in.fields.end()) {
        throw std::invalid_argument("no field " + std::string(name));
    }
    return *found;
}

template <class T>
T field(std::string_view message, std::string_view name) {
    const bool in_header =
        std::ranges::count(md::header_layout.fields, name, &md::field::name) != 0;
    const md::field& f =
        field_named(name, in_header ? md::header_layout : *md::find_layout(type_of(message)));
    if (f.kind.width != sizeof(T)) {
        throw std::invalid_argument("field " + std::string(name) + " has another width");
    }
    return load<T>(message, f.offset);
}

using md::MsgType;

struct generated {
    feed_counts counts;
    std::vector<std::string> payloads;
    std::vector<stream_message> messages;
};

// 3000 messages in datagrams of 500 bytes, so that many are cut apart.
generated generate(std::uint64_t seed) {
    generated out;
    session_settings settings;
    settings.seed = seed;
    settings.messages = 3000;
    settings.datagram_size = 500;
    out.counts = generate_session(settings, [&](const datagram& d) {
        out.payloads.push_back(d.payload);
        EXPECT_LE(d.payload.size(), 500U);
    });
    out.messages = cut_into_messages(out.payloads);
    return out;
}

TEST(SyntheticSession, SequenceTimeAndDatagramsAreThoseOfARealSender) {
    const generated session = generate(12);
    std::uint32_t expected_seq_num = 1;
    std::uint64_t last_time = 0, heartbeats = 0, split = 0;
    for (const stream_message& m : session.messages) {
        const auto seq_num = field<std::uint32_t>(m.bytes, "seqNum");
        const bool heartbeat = type_of(m.bytes) == MsgType::Heartbeat;
        ASSERT_EQ(seq_num, heartbeat ? 0 : expected_seq_num++);
        ASSERT_GT(field<std::uint64_t>(m.bytes, "timestamp"), last_time) << seq_num;
        last_time = field<std::uint64_t>(m.bytes, "timestamp");
        heartbeats += heartbeat ? 1 : 0;
        split += m.split ? 1 : 0;
    }
    EXPECT_EQ(expected_seq_num - 1, 3000U);
    EXPECT_GT(heartbeats, 0U);
    EXPECT_EQ(heartbeats, session.counts.heartbeats);
    EXPECT_GT(split, 10U);
    EXPECT_EQ(split, session.counts.split_messages);
    // The start and the end of the technical session.
    for (const auto& [m, event] :
         {std::pair{session.messages.front(), 2}, std::pair{session.messages.back(), 3}}) {
        EXPECT_EQ(type_of(m.bytes), MsgType::TradingSessionStatus);
        EXPECT_EQ(field<std::uint8_t>(m.bytes, "tradingSessionEvent"), event);
    }
    EXPECT_EQ(generate(12).payloads, session.payloads);
    EXPECT_NE(generate(13).payloads, session.payloads);
}

// Through the receiver's own loop and full display: every type, the end of
// the session in the last datagram, and the faults asked for and no others.
TEST(SyntheticSession, TheReceiverReportsTheFaultsAskedForAndNoOthers) {
    session_settings settings;
    settings.seed = 15;
    settings.messages = 3000;
    settings.datagram_size = 500;
    settings.faults = {3, 2, 2, 4};
    const testing::log_capture log;
    md::full_display_processor processor;
    testing::datagram_queue queue;
    const feed_counts counts =
        generate_session(settings, [&](const datagram& d) { queue.add(d.payload); });
    receive_loop(processor, queue);
    std::map<std::string, int> anomalies;
    for (const testing::record& r : log.records()) {
        anomalies[r.text.substr(0, 12)] += r.level != spdlog::level::info ? 1 : 0;
    }
    std::erase_if(anomalies, [](const auto& kind) { return kind.second == 0; });
    EXPECT_EQ(
        anomalies,
        (std::map<std::string, int>{
            {"Message shor", 4}, {"Out of sync ", 3}, {"Resend of me", 2}, {"Unknown mess", 2}}));
    EXPECT_GE(counts.skipped, 3U);
    EXPECT_EQ(processor.lost_, counts.skipped);
    EXPECT_EQ(processor.received_, settings.messages + 2);
    EXPECT_TRUE(processor.finished_);
    EXPECT_EQ(queue.left(), 0U) << "the end of the session is in the last datagram";
    for (const md::catalogue_entry& entry : md::printable_messages()) {
        EXPECT_EQ(processor.counts_.count(entry.type), 1U) << static_cast<int>(entry.type);
    }
}

using level = std::tuple<std::int64_t, std::uint64_t, std::uint16_t>;  // price, quantity, orders

// Resting orders of one instrument by id: side, price, quantity.
using book = std::map<std::uint64_t, std::tuple<std::uint8_t, std::int64_t, std::uint64_t>>;

// The levels of a side, best first, and nothing past the last.
level level_of(const book& orders, std::uint8_t side, std::size_t index) {
    std::map<std::int64_t, std::pair<std::uint64_t, std::uint16_t>> by_price;
    for (const auto& [id, order] : orders) {
        if (std::get<0>(order) == side) {
            by_price[std::get<1>(order)].first += std::get<2>(order);
            ++by_price[std::get<1>(order)].second;
        }
    }
    std::vector<level> levels;
    for (const auto& [price, total] : by_price) {
        levels.emplace_back(price, total.first, total.second);
    }
    if (side == 1) {
        std::reverse(levels.begin(), levels.end());
    }
    return index < levels.size() ? levels[index] : level{};
}

// Books kept from the order messages alone: what the session publishes
// about them, tops, snapshots and trades, must follow.
TEST(SyntheticSession, PublishedBooksAndTradesMatchTheOrderFlow) {
    std::map<std::uint32_t, book> books;
    std::set<std::uint64_t> ids;
    std::map<std::uint32_t, std::uint64_t> trades, volume;
    std::pair<std::uint32_t, std::int64_t> last_execution;  // id, price
    std::size_t tops = 0, snapshots = 0;
    for (const stream_message& sm : generate(13).messages) {
        const std::string& m = sm.bytes;
        const auto f = [&m](const char* name) { return field<std::uint64_t>(m, name); };
        const auto u32 = [&m](const char* name) { return field<std::uint32_t>(m, name); };
        const auto u8 = [&m](const char* name) { return field<std::uint8_t>(m, name); };
        const auto price = [&m](const char* name) { return field<std::int64_t>(m, name); };
        const MsgType type = type_of(m);
        const auto orders = [&]() -> book& { return books[u32("instrumentId")]; };
        if (type == MsgType::OrderAdd) {
            ASSERT_TRUE(ids.insert(f("publicOrderId")).second) << "order id used twice";
            orders()[f("publicOrderId")] = {u8("side"), price("price"), f("quantity")};
        } else if (type == MsgType::OrderModify || type == MsgType::OrderCancel ||
                   type == MsgType::OrderExecute) {
            ASSERT_EQ(orders().count(f("publicOrderId")), 1U) << "not in the book";
            auto& [side, at, quantity] = orders().at(f("publicOrderId"));
            if (type == MsgType::OrderModify) {
                EXPECT_EQ(u8("side"), side);
                const bool retained = price("price") == at && f("quantity") <= quantity;
                EXPECT_EQ(u8("priorityFlag"), retained ? 2 : 1);
                at = price("price");
                quantity = f("quantity");
            } else if (type == MsgType::OrderExecute) {
                ASSERT_LE(f("executionQuantity"), quantity);
                quantity -= f("executionQuantity");
                EXPECT_EQ(f("quantity"), quantity);
                last_execution = {u32("executionId"), price("executionPrice")};
            }
            if (type == MsgType::OrderCancel || (type == MsgType::OrderExecute && quantity == 0)) {
                orders().erase(f("publicOrderId"));
            }
        } else if (type == MsgType::OrderBookEvent && u8("eventType") == 1) {  // Clear
            orders().clear();
        } else if (type == MsgType::TopPriceLevelUpdate) {
            ++tops;
            ASSERT_EQ(level(price("price"), f("quantity"), field<std::uint16_t>(m, "orderCount")),
                      level_of(orders(), u8("side"), 0))
                << "seqNum " << u32("seqNum");
        } else if (type == MsgType::PriceLevelSnapshot) {
            ++snapshots;
            const md::layout& element = md::price_level_layout;
            for (const std::uint8_t side : {1, 2}) {
                const std::size_t list =
                    field_named(side == 1 ? "buy" : "sell", *md::find_layout(type)).offset;
                for (std::size_t i = 0; i < 10; ++i) {
                    const auto at = [&](const char* name) {
                        return list + i * element.size + field_named(name, element).offset;
                    };
                    ASSERT_EQ(level(load<std::int64_t>(m, at("price")),
                                    load<std::uint64_t>(m, at("quantity")),
                                    load<std::uint16_t>(m, at("orderCount"))),
                              level_of(orders(), side, i));
                }
            }
        } else if (type == MsgType::Trade) {
            const std::uint32_t instrument = u32("instrumentId");
            EXPECT_EQ(f("noTrades"), ++trades[instrument]);
            EXPECT_EQ(f("totalVolume"), volume[instrument] += f("quantity"));
            EXPECT_LE(price("minPrice"), price("price"));
            EXPECT_GE(price("maxPrice"), price("price"));
            EXPECT_EQ(last_execution, std::make_pair(u32("tradeId"), price("price")));
        }
    }
    EXPECT_GT(tops, 100U);
    EXPECT_GT(snapshots, 4U);
    EXPECT_EQ(trades.size(), 4U);
}

TEST(SyntheticSession, InstrumentsCarryValidIsinsAndKnownCodes) {
    EXPECT_EQ(make_isin("US037833100"), "US0378331005");
    EXPECT_EQ(isin_check_digit("AU0000XVGZA"), '3');
    EXPECT_EQ(isin_check_digit("GB000263494"), '6');
    EXPECT_THROW(isin_check_digit("US03783310"), std::invalid_argument);
    EXPECT_THROW(isin_check_digit("us037833100"), std::invalid_argument);
    std::size_t instruments = 0;
    for (const stream_message& sm : generate(14).messages) {
        if (type_of(sm.bytes) == MsgType::Instrument) {
            ++instruments;
            const std::string isin = sm.bytes.substr(
                field_named("productIdentification", *md::find_layout(MsgType::Instrument)).offset,
                12);
            EXPECT_EQ(isin_check_digit(isin.substr(0, 11)), isin.back()) << isin;
            EXPECT_EQ(field<std::uint16_t>(sm.bytes, "currency"), 978);  // EUR
            EXPECT_EQ(std::set<std::uint16_t>({250, 276, 528, 620})
                          .count(field<std::uint16_t>(sm.bytes, "issuerRegCountry")),
                      1U);
        }
    }
    EXPECT_EQ(instruments, 8U);
}

}  // namespace
}  // namespace tarn::synth
