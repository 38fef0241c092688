// The kernel's drop counter, and the interval statistics with their latency
// histogram. (Cut datagrams and socket drops are cases of the receive loop; a
// stop signal is tested end to end, in every mode.)

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
using testing::order_add;

// The kernel's counter is cumulative and 32 bits wide; a datagram carries it
// only while it is not 0.
TEST(SocketDrops, CounterDifferencesAcrossTheWrap) {
    const struct {
        std::vector<std::uint32_t> carried;
        std::uint64_t total;
    } cases[] = {
        {{0, 0, 3, 3, 10}, 10},
        {{4'294'967'290U, 4'294'967'295U, 4}, 4'294'967'300ULL},
        {{4'294'967'295U, 0}, 4'294'967'296ULL},  // a wrap to exactly 0: no counter carried
    };
    for (const auto& c : cases) {
        drop_counter counter;
        for (const std::uint32_t value : c.carried) {
            counter.update(value);
        }
        EXPECT_EQ(counter.total(), c.total);
    }
}

TEST(LatencyHistogram, BucketsHoldTheirValuesWithinOneThirtySecond) {
    for (std::uint64_t magnitude = 1; magnitude != 0; magnitude *= 3) {
        for (const std::uint64_t m : {magnitude - 1, magnitude, magnitude + 1}) {
            const std::size_t bucket = latency_histogram::bucket_of(m);
            ASSERT_LT(bucket, latency_histogram::bucket_count);
            const std::uint64_t middle = latency_histogram::middle_of(bucket);
            const std::uint64_t off = middle > m ? middle - m : m - middle;
            EXPECT_LE(off, m / 32) << m;
            EXPECT_EQ(latency_histogram::bucket_of(middle), bucket) << m;
        }
        if (magnitude > std::numeric_limits<std::uint64_t>::max() / 3) {
            break;
        }
    }
}

TEST(LatencyHistogram, PercentilesOfSignedLatencies) {
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
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
        const auto near = [](std::int64_t value, std::int64_t wanted) {
            const double off = static_cast<double>(value) - static_cast<double>(wanted);
            return std::abs(off) <= std::abs(static_cast<double>(wanted)) / 32;
        };
        EXPECT_PRED2(near, histogram.percentile(0.5), c.p50);
        EXPECT_PRED2(near, histogram.percentile(0.99), c.p99);
        EXPECT_EQ(histogram.max(), c.max);
    }
}

// Intervals on the datagrams' own time, as a capture replays them: counts
// exact, a silent stretch as one record, the last interval partial, and the
// whole run in the summary.
TEST(IntervalStatistics, FollowTheDatagramsTime) {
    constexpr std::uint64_t start = 1'700'000'000'000'000'000ULL;
    constexpr std::uint64_t ms = 1'000'000;
    const auto sent_before = [](std::uint32_t seq, std::uint64_t at, std::uint64_t latency) {
        auto m = order_add(seq);
        m.timestamp(at - latency);
        return bytes_of(m);
    };
    // Latencies of 10, 12, 20 and 50 us: their buckets show them as they are.
    testing::datagram_queue datagrams;
    datagrams.add(sent_before(1, start, 12'000) + sent_before(2, start, 20'000), start)
        .add(sent_before(3, start + 300 * ms, 10'000), start + 300 * ms)
        .add(sent_before(6, start + 600 * ms, 50'000), start + 600 * ms)  // 2 lost
        .add(sent_before(7, start + 2'700 * ms, 10'000), start + 2'700 * ms)
        .add("");
    const testing::log_capture log;
    md::seq_check_processor processor;
    interval_statistics statistics(std::chrono::milliseconds(500));
    receive_loop(processor, datagrams, &statistics);
    statistics.log_run();
    const std::string quiet = "0 gaps, 0 messages lost, 0 socket drops, ";
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{
                  testing::info("Interval of 0.500 s: 3 messages (6/s), 2 datagrams (4/s), 216 "
                                "bytes, " +
                                quiet + "latency p50 12.0 us p99 20.0 us max 20.0 us"),
                  testing::error("Out of sync message. Expected seqNum 4, received seqNum 6, 2 "
                                 "messages lost"),
                  testing::info("Interval of 0.500 s: 1 messages (2/s), 1 datagrams (2/s), 72 "
                                "bytes, 1 gaps, 2 messages lost, 0 socket drops, latency p50 "
                                "50.0 us p99 50.0 us max 50.0 us"),
                  testing::info("Interval of 1.500 s: 0 messages (0/s), 0 datagrams (0/s), 0 "
                                "bytes, " +
                                quiet + "no latency"),
                  testing::info("Interval of 0.200 s: 1 messages (5/s), 1 datagrams (5/s), 72 "
                                "bytes, " +
                                quiet + "latency p50 10.0 us p99 10.0 us max 10.0 us"),
                  testing::info("Whole run of 2.700 s: 5 messages (2/s), 4 datagrams (1/s), 360 "
                                "bytes, 1 gaps, 2 messages lost, 0 socket drops, latency p50 12.0 "
                                "us p99 50.0 us max 50.0 us")}));
}

}  // namespace
}  // namespace tarn
