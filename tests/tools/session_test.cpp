// The synthetic session as a receiver sees it: complete, in order, every type,
// consistent books, and the faults asked for and no others.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "datagram_queue.hpp"
#include "isin.hpp"
#include "log_capture.hpp"
#include "md/catalogue.hpp"
#include "md/layouts/order_book_messages.hpp"
#include "message_stream.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"
#include "session_script.hpp"

namespace tarn::synth {
namespace {

using md::MsgType;
using testing::field;

struct generated {
    feed_counts counts;
    std::vector<datagram> datagrams;

    std::vector<std::string> payloads() const {
        std::vector<std::string> all;
        for (const datagram& d : datagrams) {
            all.push_back(d.payload);
        }
        return all;
    }
};

generated generate(const session_settings& settings) {
    generated out;
    out.counts = generate_session(settings, [&](const datagram& d) { out.datagrams.push_back(d); });
    return out;
}

session_settings small_datagrams(std::uint64_t seed) {
    session_settings settings;
    settings.seed = seed;
    settings.messages = 3000;
    settings.datagram_size = 500;  // many messages cut by datagram boundaries
    return settings;
}

// The session run through the receiver's own loop and full display.
struct received {
    testing::log_capture log;
    md::full_display_processor processor;
    testing::datagram_queue queue;

    explicit received(const generated& session) {
        for (const datagram& d : session.datagrams) {
            queue.add(d.payload);
        }
        receive_loop(processor, queue);
    }

    std::size_t records_starting(spdlog::level::level_enum level, std::string_view text) const {
        return static_cast<std::size_t>(std::count_if(
            log.records().begin(), log.records().end(),
            [&](const auto& r) { return r.level == level && r.text.starts_with(text); }));
    }
    std::size_t records_at_or_above(spdlog::level::level_enum level) const {
        return static_cast<std::size_t>(
            std::count_if(log.records().begin(), log.records().end(),
                          [&](const auto& r) { return r.level >= level; }));
    }
};

TEST(SyntheticSession, TheReceiverSeesEveryTypeAndNoErrorUpToTheEnd) {
    const generated session = generate(small_datagrams(11));
    const received r(session);
    EXPECT_EQ(r.records_at_or_above(spdlog::level::warn), 0U);
    EXPECT_FALSE(r.processor.errors_);
    EXPECT_EQ(r.processor.received_, 3000U);
    EXPECT_EQ(r.processor.lost_, 0U);
    EXPECT_TRUE(r.processor.finished_);
    EXPECT_EQ(r.queue.left(), 0U) << "the end of the session is in the last datagram";
    for (const md::catalogue_entry& entry : md::printable_messages()) {
        EXPECT_GE(r.processor.counts_.count(entry.type), 1U)
            << "no message of type " << static_cast<int>(entry.type);
    }
}

TEST(SyntheticSession, SequenceTimeAndDatagramsAreThoseOfARealSender) {
    const session_settings settings = small_datagrams(12);
    const generated session = generate(settings);
    const std::vector<testing::stream_message> messages =
        testing::cut_into_messages(session.payloads());

    std::uint32_t expected_seq_num = 1;
    std::uint64_t last_time = 0;
    std::size_t heartbeats = 0;
    std::size_t split = 0;
    for (const testing::stream_message& m : messages) {
        const auto seq_num = field<std::uint32_t>(m.bytes, "seqNum");
        const auto time = field<std::uint64_t>(m.bytes, "timestamp");
        if (testing::type_of(m.bytes) == MsgType::Heartbeat) {
            ++heartbeats;
            EXPECT_EQ(seq_num, 0U);
        } else {
            ASSERT_EQ(seq_num, expected_seq_num++);
        }
        ASSERT_GT(time, last_time) << "at seqNum " << seq_num;
        last_time = time;
        split += m.split ? 1 : 0;
    }
    EXPECT_EQ(expected_seq_num - 1, settings.messages);
    EXPECT_GT(heartbeats, 0U);
    EXPECT_EQ(heartbeats, session.counts.heartbeats);
    EXPECT_GT(split, 10U);
    EXPECT_EQ(split, session.counts.split_messages);

    const std::string& first = messages.front().bytes;
    const std::string& last = messages.back().bytes;
    EXPECT_EQ(testing::type_of(first), MsgType::TradingSessionStatus);
    EXPECT_EQ(field<std::uint8_t>(first, "tradingSessionEvent"), 2);  // StartOfTechnicalSession
    EXPECT_EQ(testing::type_of(last), MsgType::TradingSessionStatus);
    EXPECT_EQ(field<std::uint8_t>(last, "tradingSessionEvent"), 3);  // EndOfTechnicalSession

    std::uint64_t last_datagram_time = 0;
    for (const datagram& d : session.datagrams) {
        EXPECT_LE(d.payload.size(), settings.datagram_size);
        EXPECT_FALSE(d.payload.empty());
        EXPECT_GE(d.time_ns, last_datagram_time);
        last_datagram_time = d.time_ns;
    }
}

TEST(SyntheticSession, TheSameSettingsGiveTheSameBytesAndAnotherSeedOthers) {
    const generated a = generate(small_datagrams(5));
    const generated b = generate(small_datagrams(5));
    const generated c = generate(small_datagrams(6));
    EXPECT_EQ(a.payloads(), b.payloads());
    EXPECT_NE(a.payloads(), c.payloads());
}

// An order book kept from the order messages alone, to check what the
// session publishes about it.
class rebuilt_books {
  public:
    struct resting {
        std::uint8_t side;
        std::int64_t price;
        std::uint64_t quantity;
    };

    void apply(const std::string& m) {
        const MsgType type = testing::type_of(m);
        if (type != MsgType::OrderAdd && type != MsgType::OrderModify &&
            type != MsgType::OrderCancel && type != MsgType::OrderExecute &&
            type != MsgType::OrderBookEvent) {
            return;
        }
        auto& book = books_[field<std::uint32_t>(m, "instrumentId")];
        switch (type) {
            case MsgType::OrderAdd: {
                const auto id = field<std::uint64_t>(m, "publicOrderId");
                ASSERT_TRUE(ids_.insert(id).second) << "order id " << id << " used twice";
                book[id] = {field<std::uint8_t>(m, "side"), field<std::int64_t>(m, "price"),
                            field<std::uint64_t>(m, "quantity")};
                break;
            }
            case MsgType::OrderModify: {
                resting& o = existing(book, m);
                const auto price = field<std::int64_t>(m, "price");
                const auto quantity = field<std::uint64_t>(m, "quantity");
                EXPECT_EQ(field<std::uint8_t>(m, "side"), o.side);
                const bool retained = price == o.price && quantity <= o.quantity;
                EXPECT_EQ(field<std::uint8_t>(m, "priorityFlag"), retained ? 2 : 1);
                o.price = price;
                o.quantity = quantity;
                break;
            }
            case MsgType::OrderCancel:
                existing(book, m);
                book.erase(field<std::uint64_t>(m, "publicOrderId"));
                break;
            case MsgType::OrderExecute: {
                resting& o = existing(book, m);
                const auto executed = field<std::uint64_t>(m, "executionQuantity");
                ASSERT_LE(executed, o.quantity);
                o.quantity -= executed;
                EXPECT_EQ(field<std::uint64_t>(m, "quantity"), o.quantity);
                last_execution_ = {field<std::uint32_t>(m, "executionId"),
                                   field<std::int64_t>(m, "executionPrice")};
                if (o.quantity == 0) {
                    book.erase(field<std::uint64_t>(m, "publicOrderId"));
                }
                break;
            }
            case MsgType::OrderBookEvent:
                if (field<std::uint8_t>(m, "eventType") == 1) {  // Clear
                    book.clear();
                }
                break;
            default:
                break;
        }
    }

    // The levels of a side, best first: price, quantity, order count.
    std::vector<std::tuple<std::int64_t, std::uint64_t, std::uint16_t>> levels(
        std::uint32_t instrument, std::uint8_t side) {
        std::map<std::int64_t, std::pair<std::uint64_t, std::uint16_t>> by_price;
        for (const auto& [id, o] : books_[instrument]) {
            if (o.side == side) {
                by_price[o.price].first += o.quantity;
                ++by_price[o.price].second;
            }
        }
        std::vector<std::tuple<std::int64_t, std::uint64_t, std::uint16_t>> out;
        for (const auto& [price, total] : by_price) {
            out.emplace_back(price, total.first, total.second);
        }
        if (side == 1) {
            std::reverse(out.begin(), out.end());
        }
        return out;
    }

    std::pair<std::uint32_t, std::int64_t> last_execution() const { return last_execution_; }

  private:
    resting& existing(std::map<std::uint64_t, resting>& book, const std::string& m) {
        const auto id = field<std::uint64_t>(m, "publicOrderId");
        const auto found = book.find(id);
        if (found == book.end()) {
            throw std::runtime_error("order " + std::to_string(id) + " is not in the book");
        }
        return found->second;
    }

    std::map<std::uint32_t, std::map<std::uint64_t, resting>> books_;
    std::set<std::uint64_t> ids_;
    std::pair<std::uint32_t, std::int64_t> last_execution_{};
};

TEST(SyntheticSession, PublishedBooksAndTradesMatchTheOrderFlow) {
    const generated session = generate(small_datagrams(13));
    rebuilt_books books;
    std::map<std::uint32_t, std::uint64_t> trades, volume;
    std::size_t tops = 0, snapshots = 0;
    for (const testing::stream_message& sm : testing::cut_into_messages(session.payloads())) {
        const std::string& m = sm.bytes;
        books.apply(m);
        if (testing::type_of(m) == MsgType::TopPriceLevelUpdate) {
            ++tops;
            const auto levels = books.levels(field<std::uint32_t>(m, "instrumentId"),
                                             field<std::uint8_t>(m, "side"));
            const auto top = levels.empty()
                                 ? std::tuple<std::int64_t, std::uint64_t, std::uint16_t>{}
                                 : levels.front();
            ASSERT_EQ(std::make_tuple(field<std::int64_t>(m, "price"),
                                      field<std::uint64_t>(m, "quantity"),
                                      field<std::uint16_t>(m, "orderCount")),
                      top)
                << "seqNum " << field<std::uint32_t>(m, "seqNum");
        } else if (testing::type_of(m) == MsgType::PriceLevelSnapshot) {
            ++snapshots;
            const auto instrument = field<std::uint32_t>(m, "instrumentId");
            const md::layout& level = md::price_level_layout;
            for (const auto& [side, list] : {std::pair<std::uint8_t, const char*>{1, "buy"},
                                             std::pair{std::uint8_t{2}, "sell"}}) {
                const auto levels = books.levels(instrument, side);
                for (std::size_t i = 0; i < 10; ++i) {
                    const std::size_t at =
                        testing::offset_in(md::price_level_snapshot_layout, list) + i * level.size;
                    const auto expected =
                        i < levels.size()
                            ? levels[i]
                            : std::tuple<std::int64_t, std::uint64_t, std::uint16_t>{};
                    ASSERT_EQ(std::make_tuple(testing::load<std::int64_t>(
                                                  m, at + testing::offset_in(level, "price")),
                                              testing::load<std::uint64_t>(
                                                  m, at + testing::offset_in(level, "quantity")),
                                              testing::load<std::uint16_t>(
                                                  m, at + testing::offset_in(level, "orderCount"))),
                              expected);
                }
            }
        } else if (testing::type_of(m) == MsgType::Trade) {
            const auto instrument = field<std::uint32_t>(m, "instrumentId");
            const auto price = field<std::int64_t>(m, "price");
            EXPECT_EQ(field<std::uint64_t>(m, "noTrades"), ++trades[instrument]);
            EXPECT_EQ(field<std::uint64_t>(m, "totalVolume"),
                      volume[instrument] += field<std::uint64_t>(m, "quantity"));
            EXPECT_LE(field<std::int64_t>(m, "minPrice"), price);
            EXPECT_GE(field<std::int64_t>(m, "maxPrice"), price);
            EXPECT_EQ(books.last_execution(),
                      std::make_pair(field<std::uint32_t>(m, "tradeId"), price));
        }
    }
    EXPECT_GT(tops, 100U);
    EXPECT_GT(snapshots, 4U);
    EXPECT_EQ(trades.size(), 4U);
}

TEST(SyntheticSession, InstrumentsCarryValidIsinsAndKnownCodes) {
    const generated session = generate(small_datagrams(14));
    std::size_t instruments = 0;
    for (const testing::stream_message& sm : testing::cut_into_messages(session.payloads())) {
        if (testing::type_of(sm.bytes) != MsgType::Instrument) {
            continue;
        }
        ++instruments;
        const std::string isin = testing::text_field(sm.bytes, "productIdentification");
        ASSERT_EQ(isin.size(), 12U);
        EXPECT_EQ(isin_check_digit(isin.substr(0, 11)), isin.back()) << isin;
        EXPECT_EQ(field<std::uint16_t>(sm.bytes, "currency"), 978);  // EUR
        EXPECT_NE(std::set<std::uint16_t>({250, 276, 528, 620})
                      .count(field<std::uint16_t>(sm.bytes, "issuerRegCountry")),
                  0U);
    }
    EXPECT_EQ(instruments, 8U);
}

TEST(Isin, CheckDigitsOfPublishedIsins) {
    EXPECT_EQ(isin_check_digit("US037833100"), '5');
    EXPECT_EQ(isin_check_digit("AU0000XVGZA"), '3');
    EXPECT_EQ(isin_check_digit("GB000263494"), '6');
    EXPECT_EQ(make_isin("US037833100"), "US0378331005");
    EXPECT_THROW(isin_check_digit("US03783310"), std::invalid_argument);
    EXPECT_THROW(isin_check_digit("us037833100"), std::invalid_argument);
}

TEST(SyntheticSession, AskedForFaultsAndOnlyThoseReachTheReceiver) {
    session_settings settings = small_datagrams(15);
    settings.faults = {3, 2, 2, 4};
    const generated session = generate(settings);
    const received r(session);
    EXPECT_EQ(r.records_starting(spdlog::level::err, "Out of sync message."), 3U);
    EXPECT_EQ(r.records_starting(spdlog::level::err, "Resend of message"), 2U);
    EXPECT_EQ(r.records_starting(spdlog::level::warn, "Unknown message "), 2U);
    EXPECT_EQ(r.records_starting(spdlog::level::warn, "Message shorter than its layout"), 4U);
    EXPECT_EQ(r.records_at_or_above(spdlog::level::warn), 3U + 2U + 2U + 4U);
    EXPECT_EQ(r.processor.lost_, session.counts.skipped);
    EXPECT_GE(session.counts.skipped, 3U);
    EXPECT_EQ(r.processor.received_, settings.messages + 2);
    EXPECT_TRUE(r.processor.finished_);
}

TEST(SyntheticSession, TooFewMessagesForAWholeDayAreRefused) {
    session_settings settings;
    settings.messages = 100;
    try {
        generate(settings);
        FAIL() << "a session of 100 messages was generated";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("needs at least"), std::string::npos);
    }
}

}  // namespace
}  // namespace tarn::synth
