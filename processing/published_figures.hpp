#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

namespace tarn {

// The upper bounds of the latency buckets published, in nanoseconds: from
// 10 us, where a host's own receive path lies, to 1 s, beyond which a feed
// is broken rather than slow.
inline constexpr std::array<std::int64_t, 16> latency_bounds_ns{
    10'000,      25'000,      50'000,      100'000,      250'000,    500'000,
    1'000'000,   2'500'000,   5'000'000,   10'000'000,   25'000'000, 50'000'000,
    100'000'000, 250'000'000, 500'000'000, 1'000'000'000};

namespace latency_octaves {

inline constexpr std::size_t bound_count = latency_bounds_ns.size();
// The bounds at least double from one to the next, so a power-of-two range
// [2^k, 2^(k+1)) holds at most one: the first bound at or above a latency is
// the first at or above 2^k, or the one after it.
static_assert(std::ranges::adjacent_find(latency_bounds_ns,
                                         [](std::int64_t low, std::int64_t high) {
                                             return high < 2 * low;
                                         }) == latency_bounds_ns.end());
static_assert(latency_bounds_ns.front() > 0);
// By k: how many bounds lie below 2^k.
constexpr std::array<std::uint8_t, 64> count_bounds_below_powers() {
    std::array<std::uint8_t, 64> below{};
    std::size_t k = 0;
    for (std::uint8_t& count : below) {
        const std::uint64_t power = std::uint64_t{1} << k++;
        count = static_cast<std::uint8_t>(std::ranges::count_if(
            latency_bounds_ns,
            [power](std::int64_t bound) { return static_cast<std::uint64_t>(bound) < power; }));
    }
    return below;
}
inline constexpr std::array<std::uint8_t, 64> bounds_below = count_bounds_below_powers();
// The bounds, then one above every latency.
inline constexpr std::array<std::int64_t, bound_count + 1> bounds_and_top = [] {
    std::array<std::int64_t, bound_count + 1> all{};
    std::copy(latency_bounds_ns.begin(), latency_bounds_ns.end(), all.begin());
    all.back() = std::numeric_limits<std::int64_t>::max();
    return all;
}();

}  // namespace latency_octaves

// A channel's latencies since the start, counted at those bounds as they
// come: a few instructions a datagram, and a few numbers for publishing and
// a scrape to copy.
class latency_tally {
  public:
    // `times` latencies of `latency_ns`; one below 0 (a sender's clock ahead
    // of this host's) is within every bound.
    void record(std::int64_t latency_ns, std::uint64_t times) noexcept {
        within_[bucket_of(latency_ns)] += times;
        count_ += times;
        sum_ns_ += static_cast<double>(latency_ns) * static_cast<double>(times);
    }
    // How many are at most latency_bounds_ns[bound].
    std::uint64_t at_most(std::size_t bound) const noexcept {
        return std::accumulate(within_.begin(),
                               within_.begin() + static_cast<std::ptrdiff_t>(bound) + 1,
                               std::uint64_t{0});
    }
    std::uint64_t count() const noexcept { return count_; }
    double sum_ns() const noexcept { return sum_ns_; }

  private:
    // The index of the first bound at or above `latency_ns`; the bounds'
    // count when it is above them all.
    static std::size_t bucket_of(std::int64_t latency_ns) noexcept {
        if (latency_ns <= 0) {
            return 0;
        }
        const auto magnitude = static_cast<std::uint64_t>(latency_ns);
        const std::size_t first = latency_octaves::bounds_below[std::bit_width(magnitude) - 1];
        return first + (latency_ns > latency_octaves::bounds_and_top[first] ? 1 : 0);
    }

    // By the first bound a latency is at most; the last: above them all.
    std::array<std::uint64_t, latency_octaves::bound_count + 1> within_{};
    std::uint64_t count_ = 0;
    double sum_ns_ = 0;
};

// The figures of one line of a channel, as a run publishes them: running
// totals since the start, and the receive buffer its socket was granted.
struct published_line {
    std::string name;  // "A" or "B"
    std::uint64_t datagrams = 0;
    std::uint64_t bytes = 0;          // of the datagrams, as sent
    std::uint64_t datagrams_cut = 0;  // longer than the receive buffer had room for
    std::uint64_t socket_drops = 0;
    std::uint64_t missed = 0;                // numbers it skipped that the other line delivered
    std::uint64_t duplicates = 0;            // copies the other line delivered first
    std::uint64_t receive_buffer_bytes = 0;  // granted; 0: unknown (a capture)
};

// The figures of one channel: running totals of its sequence check after
// arbitration, and its state at the moment of publishing.
struct published_channel {
    std::string name;            // the declared name, or GROUP:PORT of the specified pair
    std::uint64_t messages = 0;  // as the sequence check counts them: heartbeats aside
    std::uint64_t lost = 0;
    std::uint64_t gaps = 0;
    std::uint64_t resends = 0;
    std::uint64_t unknown_messages = 0;
    std::uint64_t short_messages = 0;
    bool has_sequence = false;  // a message has set the last number
    std::uint32_t last_seq_num = 0;
    std::uint64_t last_message_time_ns = 0;  // receive time, since 1970 (UTC); 0: none yet
    // Microbursts of the last interval closed: the most messages and bytes
    // in one aligned 1 ms window.
    std::uint64_t peak_messages_per_ms = 0;
    std::uint64_t peak_bytes_per_ms = 0;
    latency_tally latency;  // every message's since the start
    std::vector<published_line> lines;
};

// Everything a run publishes at once.
struct published_figures {
    std::vector<published_channel> channels;
};

// Takes a run's figures to where others read them (the metrics endpoint).
// The run calls publish from its own thread, at most every period() of
// receive time and once more at the end of reception; a live source wakes
// up at least that often through silence. Publishing may take a lock; the
// figures are the run's own and are only read during the call.
class figures_publisher {
  public:
    figures_publisher() = default;
    figures_publisher(const figures_publisher&) = delete;
    figures_publisher& operator=(const figures_publisher&) = delete;
    figures_publisher(figures_publisher&&) = delete;
    figures_publisher& operator=(figures_publisher&&) = delete;
    virtual ~figures_publisher() = default;

    virtual std::chrono::nanoseconds period() const { return std::chrono::milliseconds(100); }
    virtual void publish(const published_figures& figures) = 0;
};

}  // namespace tarn
