// The receive loop: datagrams in, records and counters out; then what it
// feeds: the kernel's drop counter and the interval statistics with their
// latency histogram. (A stop signal is tested end to end, in every mode.)

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "datagram_queue.hpp"
#include "log_capture.hpp"
#include "messages.hpp"
#include "net/socket_source.hpp"
#include "processing/interval_statistics.hpp"
#include "processing/receive_loop.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::error;
using testing::order_add;
using testing::record;

record shown(const md::message_builder& m) { return testing::info(testing::header_text(m)); }
record shown(std::uint32_t seq_num) { return shown(order_add(seq_num)); }
record gap(std::uint32_t expected, std::uint32_t received, std::uint64_t lost) {
    return error("Out of sync message. Expected seqNum " + std::to_string(expected) +
                 ", received seqNum " + std::to_string(received) + ", " + std::to_string(lost) +
                 " messages lost");
}
record cut(std::size_t sent, std::size_t room) {
    return testing::warn("Datagram of " + std::to_string(sent) + " bytes cut to the " +
                         std::to_string(room) +
                         " bytes the receive buffer had room for; its incomplete end dropped");
}

// OrderAdd messages `first` to `last`, 72 bytes each, end to end, and their lines.
std::string orders(std::uint32_t first, std::uint32_t last) {
    std::string bytes;
    for (std::uint32_t seq = first; seq <= last; ++seq) {
        bytes += bytes_of(order_add(seq));
    }
    return bytes;
}
std::vector<record> operator+(std::vector<record> log, std::vector<record> more) {
    log.insert(log.end(), more.begin(), more.end());
    return log;
}
std::vector<record> shown(std::uint32_t first, std::uint32_t last) {
    std::vector<record> log;
    for (std::uint32_t seq = first; seq <= last; ++seq) {
        log.push_back(shown(seq));
    }
    return log;
}

// OrderAdd messages with these sequence numbers, each in its own datagram,
// then the empty datagram that ends reception.
std::vector<std::string> one_per_datagram(const std::vector<std::uint32_t>& seq_nums) {
    std::vector<std::string> datagrams;
    for (const std::uint32_t seq_num : seq_nums) {
        datagrams.push_back(bytes_of(order_add(seq_num)));
    }
    datagrams.emplace_back();
    return datagrams;
}

// Datagrams in, the display of headers and heartbeats out; then the
// processor's counters and the datagrams left unread. The sequence check,
// which the loop calls directly rather than through the virtual table, shows
// only the anomalies.
TEST(ReceiveLoop, DatagramsInRecordsAndCountersOut) {
    const std::string a = orders(1, 1), b = orders(2, 2), c = orders(3, 3), ab = a + b;
    const auto status = testing::session_status(2, 13);
    const auto hb = testing::heartbeat();
    md::message_builder largest(md::MsgType{999}, 4096);  // as large as the buffer
    const std::string big = bytes_of(largest);
    const std::string longer = bytes_of(md::message_builder(md::MsgType{999}, 300));
    md::message_builder third(md::MsgType{999}, 136);
    third.set("seqNum", std::uint32_t{3});
    md::message_builder huge(md::MsgType::OrderAdd, 72);
    huge.set("length", std::uint16_t{5000});
    const std::string runt = std::string("\x0a\x00", 2) + std::string(8, 'x');
    const struct {
        const char* name;
        std::string after;  // "received lost expected errors finished left"
        std::vector<std::string> datagrams;
        std::vector<record> log;
        std::uint64_t dropped = 0;  // by the socket
    } cases[] = {
        {"split",
         "3 0 4 0 0 0",
         {ab.substr(0, 100), ab.substr(100), c.substr(0, 20), c.substr(20, 30), c.substr(50), ""},
         {shown(1), shown(2), shown(3)}},
        {"largest",
         "2 0 1 0 0 0",
         {big, big.substr(0, 1400), big.substr(1400, 1400), big.substr(2800), ""},
         {shown(largest), shown(largest)}},
        // The byte carried over is the first of a message of another length;
        // the carry held a longer one before.
        {"one-byte tail",
         "3 0 3 0 0 0",
         {longer.substr(0, 100), longer.substr(100) + (a + bytes_of(status)).substr(0, 73),
          bytes_of(status).substr(1), ""},
         {shown(md::message_builder(md::MsgType{999}, 300)), shown(1), shown(status)}},
        {"empty datagram ends, drops are errors", "0 0 0 1 0 1", {"", a}, {}, 1234},
        // Heartbeats are shown but neither counted nor checked.
        {"heartbeats",
         "2 0 7 0 0 0",
         {orders(5, 5) + bytes_of(hb), bytes_of(hb) + orders(6, 6), ""},
         {shown(5), shown(hb), shown(hb), shown(6)}},
        // A datagram cut at the room the carried bytes leave (by the kernel:
        // tested end to end): its complete messages count, its incomplete end
        // is dropped, and the next datagram is framed from its own first byte.
        // 30 bytes carried leave 4066: the rest of message 2 (42 bytes),
        // message 3 (136 bytes), then 54 messages that end exactly there.
        {"cut at the room left",
         "58 3 62 1 0 0",
         {a + b.substr(0, 30), b.substr(30) + bytes_of(third) + orders(4, 60), orders(61, 61), ""},
         std::vector{shown(1), cut(4282, 4066), shown(2), shown(third)} + shown(4, 57) +
             std::vector{gap(58, 61, 3), shown(61)}},
        // Framing that no honest sender produces: a length below the header
        // is skipped by its length, one beyond the buffer ends reception.
        {"runt",
         "2 0 3 1 0 0",
         {a + runt + b, ""},
         {shown(1), testing::warn("Message length 10 is below the 42-byte header; skipped"),
          shown(2)}},
        {"huge",
         "1 0 2 1 0 1",
         {a + bytes_of(huge), b},
         {shown(1),
          error("Message length 5000 exceeds the 4096-byte receive buffer; reception ended")}},
        // A gap is reported before the message and counted; a resend keeps
        // the expectation; 0 is always in sequence and restarts it.
        {"gaps, resends and 0",
         "7 8 8 1 0 0",
         one_per_datagram({5, 6, 9, 4, 10, 0, 7}),
         {shown(5), shown(6), gap(7, 9, 2), shown(9),
          error("Resend of message with seqNum 4, expected seqNum 10"), shown(4), shown(10),
          shown(0), gap(1, 7, 6), shown(7)}},
        // Lost counts sum beyond 32 bits; the expectation wraps after the
        // largest number, then anything is in sequence.
        {"large numbers",
         "6 8589934291 12346 1 0 0",
         one_per_datagram({1, 4294967000U, 0, 4294967000U, 4294967295U, 12345}),
         {shown(1), gap(2, 4294967000U, 4294966998), shown(4294967000U), shown(0),
          gap(1, 4294967000U, 4294966999), shown(4294967000U), gap(4294967001U, 4294967295U, 294),
          shown(4294967295U), shown(12345)}},
    };
    for (const auto& c : cases) {
        md::display_processor_with_hb display;
        md::seq_check_processor check;
        for (md::processor* processor : std::vector<md::processor*>{&display, &check}) {
            SCOPED_TRACE(c.name);
            const testing::log_capture log;
            testing::datagram_queue datagrams;
            datagrams.set_dropped(c.dropped);
            for (const std::string& datagram : c.datagrams) {
                datagrams.add(datagram);
            }
            receive_loop(*processor, datagrams);
            std::vector<record> expected = c.log;
            if (processor == &check) {
                std::erase_if(expected,
                              [](const record& r) { return r.level == spdlog::level::info; });
            }
            EXPECT_EQ(log.records(), expected);
            EXPECT_EQ(
                spdlog::fmt_lib::format("{} {} {} {:d} {:d} {}", processor->received_,
                                        processor->lost_, processor->expected_seq_num_,
                                        processor->errors_, processor->finished_, datagrams.left()),
                c.after);
            EXPECT_EQ(processor->socket_drops_, c.dropped);
        }
    }
}

// The kernel's drop counter: cumulative and 32 bits wide, so only differences count.
TEST(SocketDrops, CounterDifferencesAcrossTheWrap) {
    const struct {
        std::vector<std::uint32_t> carried;
        std::uint64_t total;
    } cases[] = {
        {{0, 0, 3, 3, 10}, 10},
        {{4'294'967'290U, 4'294'967'295U, 4}, 4'294'967'300ULL},
        {{4'294'967'295U, 0}, 4'294'967'296ULL},  // a wrap to exactly 0
    };
    for (const auto& c : cases) {
        drop_counter counter;
        for (const std::uint32_t value : c.carried) {
            counter.update(value);
        }
        EXPECT_EQ(counter.total(), c.total);
    }
}

// Every value within 1/32 of the middle of its bucket, at every magnitude;
// percentiles and the maximum of signed latencies as near.
TEST(LatencyHistogram, WithinOneThirtySecond) {
    for (std::uint64_t magnitude = 1; magnitude != 0; magnitude *= 3) {
        for (const std::uint64_t m : {magnitude - 1, magnitude, magnitude + 1}) {
            const std::size_t bucket = latency_histogram::bucket_of(m);
            ASSERT_LT(bucket, latency_histogram::bucket_count);
            const std::uint64_t middle = latency_histogram::middle_of(bucket);
            EXPECT_LE(middle > m ? middle - m : m - middle, m / 32) << m;
            EXPECT_EQ(latency_histogram::bucket_of(middle), bucket) << m;
        }
        if (magnitude > std::numeric_limits<std::uint64_t>::max() / 3) {
            break;
        }
    }
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    const auto near = [](std::int64_t value, std::int64_t wanted) {
        const double off = static_cast<double>(value) - static_cast<double>(wanted);
        return std::abs(off) <= std::abs(static_cast<double>(wanted)) / 32;
    };
    const struct {
        std::vector<std::pair<std::int64_t, int>> recorded;  // latency, times
        std::int64_t p50, p99, max;
    } cases[] = {
        {{{12'000, 98}, {900'000, 2}}, 12'000, 900'000, 900'000},
        {{{-5'000, 60}, {3'000, 40}}, -5'000, 3'000, 3'000},
        {{{7, 1}}, 7, 7, 7},
        {{{lowest, 1}, {highest, 1}}, lowest, highest, highest},
    };
    for (const auto& c : cases) {
        latency_histogram histogram;
        for (const auto& [latency, times] : c.recorded) {
            for (int i = 0; i < times; ++i) {
                histogram.record(latency);
            }
        }
        EXPECT_PRED2(near, histogram.percentile(0.5), c.p50);
        EXPECT_PRED2(near, histogram.percentile(0.99), c.p99);
        EXPECT_EQ(histogram.max(), c.max);
    }
}

// Intervals on the datagrams' own time, as a capture replays them: counts
// exact, a silent stretch as one record, the last interval partial, and the
// whole run in the summary. Peaks over aligned 1 ms windows: two datagrams
// 1 ns apart across a window's edge count apart; a window that straddles an
// interval's end counts in each interval for its own part, whole in the run.
TEST(IntervalStatistics, FollowTheDatagramsTime) {
    constexpr std::uint64_t ms = 1'000'000;
    constexpr std::uint64_t t0 = 1'700'000'000'000'000'000ULL;  // on a whole millisecond
    constexpr std::uint64_t start = t0 + 400'000;               // intervals end at .4 ms
    const auto sent_before = [](md::message_builder m, std::uint64_t at, std::uint64_t latency) {
        m.set("timestamp", at - latency);
        return bytes_of(m);
    };
    const auto two = [&](std::uint32_t seq, std::uint64_t at) {
        return sent_before(order_add(seq), at, 12'000) +
               sent_before(order_add(seq + 1), at, 12'000);
    };
    // Latencies of 10, 12, 20 and 50 us: their buckets show them as they are.
    testing::datagram_queue datagrams;
    datagrams
        .add(sent_before(order_add(1), start, 12'000) + sent_before(order_add(2), start, 20'000),
             start)
        .add(two(3, t0 + 300 * ms - 1), t0 + 300 * ms - 1)
        .add(sent_before(order_add(5), t0 + 300 * ms, 10'000), t0 + 300 * ms)
        .add(two(6, t0 + 500 * ms + 100'000), t0 + 500 * ms + 100'000)
        .add(sent_before(testing::heartbeat(), t0 + 500 * ms + 600'000, 50'000) +
                 sent_before(order_add(10), t0 + 500 * ms + 600'000, 50'000),  // 2 lost
             t0 + 500 * ms + 600'000)
        .add(sent_before(order_add(11), start + 2'700 * ms, 10'000), start + 2'700 * ms)
        .add("");
    const testing::log_capture log;
    md::seq_check_processor processor;
    interval_statistics statistics(std::chrono::milliseconds(500), processor.records_);
    receive_loop(processor, datagrams, &statistics);
    statistics.log_run();
    const std::string quiet = "0 gaps, 0 messages lost, 0 socket drops, ";
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{
                  testing::info("Interval of 0.500 s: 7 messages (14/s), 4 datagrams (8/s), 504 "
                                "bytes, " +
                                quiet +
                                "latency p50 12.0 us p99 20.0 us max 20.0 us, peak per ms 2 "
                                "messages 144 bytes"),
                  testing::error("Out of sync message. Expected seqNum 8, received seqNum 10, 2 "
                                 "messages lost"),
                  testing::info("Interval of 0.500 s: 1 messages (2/s), 1 datagrams (2/s), 114 "
                                "bytes, 1 gaps, 2 messages lost, 0 socket drops, latency p50 "
                                "50.0 us p99 50.0 us max 50.0 us, peak per ms 1 messages 114 "
                                "bytes"),
                  testing::info("Interval of 1.500 s: 0 messages (0/s), 0 datagrams (0/s), 0 "
                                "bytes, " +
                                quiet + "no latency, peak per ms 0 messages 0 bytes"),
                  testing::info("Interval of 0.200 s: 1 messages (5/s), 1 datagrams (5/s), 72 "
                                "bytes, " +
                                quiet +
                                "latency p50 10.0 us p99 10.0 us max 10.0 us, peak per ms 1 "
                                "messages 72 bytes"),
                  testing::info("Whole run of 2.700 s: 9 messages (3/s), 6 datagrams (2/s), 690 "
                                "bytes, 1 gaps, 2 messages lost, 0 socket drops, latency p50 12.0 "
                                "us p99 50.0 us max 50.0 us, peak per ms 3 messages 258 bytes")}));
}

}  // namespace
}  // namespace tarn
