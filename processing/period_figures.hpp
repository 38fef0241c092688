#pragma once

#include <cstdint>
#include <optional>

namespace tarn {

// The latency of the messages of a period: the receive time of their datagram
// minus the `timestamp` in their header, in nanoseconds, negative when the
// sender's clock is ahead.
struct latency_figures {
    std::int64_t p50 = 0;
    std::int64_t p99 = 0;
    std::int64_t max = 0;
};

// The running totals of a run's sequence check and socket at one moment; over
// a period, the difference of the totals at its ends.
struct run_counts {
    std::uint64_t messages = 0;  // as the sequence check counts them: heartbeats aside
    std::uint64_t gaps = 0;
    std::uint64_t lost = 0;
    std::uint64_t socket_drops = 0;
};

// What was received in one period of a run.
struct period_figures : run_counts {
    std::uint64_t duration_ns = 0;
    std::uint64_t datagrams = 0;
    std::uint64_t bytes = 0;                 // of the datagrams, as sent
    std::optional<latency_figures> latency;  // none without a message
    // Microbursts: the most messages (counted as above) and the most bytes in
    // one 1 ms window of the clock (aligned on its whole milliseconds), each
    // the peak of its own; a window is cut where an interval ends.
    std::uint64_t peak_messages_per_ms = 0;
    std::uint64_t peak_bytes_per_ms = 0;
};

}  // namespace tarn
