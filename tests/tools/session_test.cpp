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
#include <vector>

#include "isin.hpp"
#include "md/catalogue.hpp"
#include "md/layouts/order_book_messages.hpp"
#include "md/message_builder.hpp"
#include "order_book.hpp"
#include "session_script.hpp"

namespace tarn::synth {
namespace {

using md::MsgType;

// A field of up to 8 bytes by its name: in the header or the layout of the
// message's type, or in `in` from `base` on (an element of a list).
std::int64_t value(std::string_view m, std::string_view name, const md::layout* in = nullptr,
                   std::size_t base = 0) {
    const auto named = [&name](const md::layout& l) {
        return std::ranges::find(l.fields, name, &md::field::name);
    };
    if (in == nullptr) {
        in = named(md::header_layout) != md::header_layout.fields.end()
                 ? &md::header_layout
                 : md::find_layout(static_cast<MsgType>(value(m, "MsgType", &md::header_layout)));
    }
    const auto f = named(*in);
    if (f == in->fields.end() || f->kind.width > 8 || base + f->offset + f->kind.width > m.size()) {
        throw std::invalid_argument("no field " + std::string(name) + " to read");
    }
    std::uint64_t read = 0;
    std::memcpy(&read, m.data() + base + f->offset, f->kind.width);
    return static_cast<std::int64_t>(read);
}

MsgType type_of(std::string_view m) { return static_cast<MsgType>(value(m, "MsgType")); }

struct generated {
    feed_counts counts;
    std::vector<std::string> payloads, messages;
    std::uint64_t split = 0;  // messages begun in an earlier datagram than they end in
};

// 3000 messages in datagrams of 500 bytes, so that many are cut apart; read
// back as a receiver does, the datagrams laid end to end and cut into
// messages by their lengths.
generated generate(std::uint64_t seed) {
    generated out;
    session_settings settings;
    settings.seed = seed;
    settings.messages = 3000;
    settings.datagram_size = 500;
    std::string stream;
    std::size_t at = 0;
    out.counts = generate_session(settings, [&](const datagram& d) {
        EXPECT_LE(d.payload.size(), 500U);
        out.payloads.push_back(d.payload);
        const std::size_t start = stream.size();
        stream += d.payload;
        while (at + 2 <= stream.size()) {
            const auto length = static_cast<std::size_t>(
                value(std::string_view(stream).substr(at), "length", &md::header_layout));
            if (length < sizeof(md::Header)) {
                throw std::runtime_error("bad length " + std::to_string(length));
            }
            if (at + length > stream.size()) {
                break;
            }
            out.split += at < start ? 1 : 0;
            out.messages.push_back(stream.substr(at, length));
            at += length;
        }
    });
    EXPECT_EQ(at, stream.size()) << "the session ends inside a message";
    return out;
}

// Sequence numbers and times, heartbeats and cut messages as reported, the
// start and end of the technical session, the same session for the same
// seed only, and instruments with valid ISINs and known codes.
TEST(SyntheticSession, SequenceTimeDatagramsAndInstrumentsAreThoseOfARealSender) {
    EXPECT_EQ(make_isin("US037833100"), "US0378331005");
    EXPECT_EQ(isin_check_digit("AU0000XVGZA"), '3');
    EXPECT_EQ(isin_check_digit("GB000263494"), '6');
    EXPECT_THROW(isin_check_digit("US03783310"), std::invalid_argument);
    EXPECT_THROW(isin_check_digit("us037833100"), std::invalid_argument);
    const generated session = generate(12);
    std::int64_t expected_seq_num = 1, last_time = 0;
    std::uint64_t heartbeats = 0, instruments = 0;
    for (const std::string& m : session.messages) {
        const bool heartbeat = type_of(m) == MsgType::Heartbeat;
        ASSERT_EQ(value(m, "seqNum"), heartbeat ? 0 : expected_seq_num++);
        ASSERT_GT(value(m, "timestamp"), last_time) << value(m, "seqNum");
        last_time = value(m, "timestamp");
        heartbeats += heartbeat ? 1 : 0;
        if (type_of(m) == MsgType::Instrument) {
            ++instruments;
            const std::string isin = m.substr(
                md::message_builder(MsgType::Instrument).offset_of("productIdentification"), 12);
            EXPECT_EQ(isin_check_digit(isin.substr(0, 11)), isin.back()) << isin;
            EXPECT_EQ(value(m, "currency"), 978);  // EUR
            EXPECT_TRUE(std::set<std::int64_t>({250, 276, 528, 620})
                            .contains(value(m, "issuerRegCountry")));
        }
    }
    EXPECT_EQ(expected_seq_num - 1, 3000);
    EXPECT_EQ(instruments, 8U);
    EXPECT_GT(heartbeats, 0U);
    EXPECT_EQ(heartbeats, session.counts.heartbeats);
    EXPECT_GT(session.split, 10U);
    EXPECT_EQ(session.split, session.counts.split_messages);
    for (const auto& [m, event] :
         {std::pair{session.messages.front(), 2}, std::pair{session.messages.back(), 3}}) {
        EXPECT_EQ(type_of(m), MsgType::TradingSessionStatus);
        EXPECT_EQ(value(m, "tradingSessionEvent"), event);
    }
    EXPECT_EQ(generate(12).payloads, session.payloads);
    EXPECT_NE(generate(13).payloads, session.payloads);
}

// Books kept from the order messages alone: what the session publishes
// about them, tops, snapshots and trades, must follow.
TEST(SyntheticSession, PublishedBooksAndTradesMatchTheOrderFlow) {
    std::map<std::int64_t, order_book> books;
    std::set<std::int64_t> ids;
    std::map<std::int64_t, std::int64_t> trades, volume;
    std::pair<std::int64_t, std::int64_t> last_execution;  // id, price
    std::size_t tops = 0, snapshots = 0;
    const md::message_builder snapshot(MsgType::PriceLevelSnapshot);
    for (const std::string& m : generate(13).messages) {
        const auto v = [&m](const char* name) { return value(m, name); };
        const auto u = [&m](const char* name) {
            return static_cast<std::uint64_t>(value(m, name));
        };
        const auto level_at = [&m](const md::layout* in, std::size_t base) {
            return level{value(m, "price", in, base),
                         static_cast<std::uint64_t>(value(m, "quantity", in, base)),
                         static_cast<std::uint16_t>(value(m, "orderCount", in, base))};
        };
        const MsgType type = type_of(m);
        const auto book = [&]() -> order_book& { return books[v("instrumentId")]; };
        if (type == MsgType::OrderAdd) {
            ASSERT_TRUE(ids.insert(v("publicOrderId")).second) << "order id used twice";
            book().add(
                {u("publicOrderId"), static_cast<side>(v("side")), v("price"), u("quantity")});
        } else if (type == MsgType::OrderModify || type == MsgType::OrderCancel ||
                   type == MsgType::OrderExecute) {
            const order* o = book().find(u("publicOrderId"));
            ASSERT_NE(o, nullptr) << "not in the book";
            if (type == MsgType::OrderModify) {
                EXPECT_EQ(static_cast<side>(v("side")), o->side);
                const bool retained = v("price") == o->price && u("quantity") <= o->quantity;
                EXPECT_EQ(v("priorityFlag"), retained ? 2 : 1);
                book().modify(o->id, v("price"), u("quantity"));
            } else if (type == MsgType::OrderExecute) {
                ASSERT_LE(u("executionQuantity"), o->quantity);
                EXPECT_EQ(u("quantity"), book().execute(o->id, u("executionQuantity")));
                last_execution = {v("executionId"), v("executionPrice")};
            } else {
                book().remove(o->id);
            }
        } else if (type == MsgType::OrderBookEvent && v("eventType") == 1) {  // Clear
            book().clear();
        } else if (type == MsgType::TopPriceLevelUpdate) {
            ++tops;
            ASSERT_EQ(level_at(nullptr, 0), book().best(static_cast<side>(v("side"))))
                << "seqNum " << v("seqNum");
        } else if (type == MsgType::PriceLevelSnapshot) {
            ++snapshots;
            for (const side s : {side::buy, side::sell}) {
                std::vector<level> depth = book().depth(s, 10);
                depth.resize(10);  // empty levels past the last
                for (std::size_t i = 0; i < 10; ++i) {
                    ASSERT_EQ(level_at(&md::price_level_layout,
                                       snapshot.offset_of(s == side::buy ? "buy" : "sell") +
                                           i * md::price_level_layout.size),
                              depth[i]);
                }
            }
        } else if (type == MsgType::Trade) {
            EXPECT_EQ(v("noTrades"), ++trades[v("instrumentId")]);
            EXPECT_EQ(v("totalVolume"), volume[v("instrumentId")] += v("quantity"));
            EXPECT_LE(v("minPrice"), v("price"));
            EXPECT_GE(v("maxPrice"), v("price"));
            EXPECT_EQ(last_execution, std::make_pair(v("tradeId"), v("price")));
        }
    }
    EXPECT_GT(tops, 100U);
    EXPECT_GT(snapshots, 4U);
    EXPECT_EQ(trades.size(), 4U);
}

}  // namespace
}  // namespace tarn::synth
