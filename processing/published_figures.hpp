#pragma once

#include <array>
#include <chrono>
#include <cstdint>
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

// A channel's latencies since the start, counted at those bounds: a few
// numbers where the run's own histogram holds thousands, so publishing and
// a scrape copy little.
struct published_latency {
    std::array<std::uint64_t, latency_bounds_ns.size()> at_most{};  // by bound, cumulative
    std::uint64_t count = 0;
    double sum_ns = 0;
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
    published_latency latency;  // every message's since the start
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
