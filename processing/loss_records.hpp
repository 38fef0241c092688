#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarn {

// The records of the receive buffer, of datagrams lost or cut before the
// messages in them could be read, and of the interval statistics: each
// written by one function here.

// After the start record, when --receive-buffer was given: info when the
// kernel granted at least the size asked, a warning when it granted less.
void log_receive_buffer(std::uint64_t asked, std::uint64_t granted);

// A datagram longer than the receive buffer had room for (warning).
void log_datagram_cut(std::size_t wire_size, std::size_t room);

// In the summary, after the lost messages: datagrams the kernel dropped for
// the socket because its receive buffer was full (warning).
void log_socket_drops(std::uint64_t drops);

// The latency of the messages of a period: the receive time of their datagram
// minus the `timestamp` in their header, in nanoseconds, negative when the
// sender's clock is ahead.
struct latency_figures {
    std::int64_t p50 = 0;
    std::int64_t p99 = 0;
    std::int64_t max = 0;
};

// What was received in one period of a run.
struct period_figures {
    std::uint64_t duration_ns = 0;
    std::uint64_t messages = 0;  // as the sequence check counts them: heartbeats aside
    std::uint64_t datagrams = 0;
    std::uint64_t bytes = 0;  // of the datagrams, as sent
    std::uint64_t gaps = 0;
    std::uint64_t lost = 0;
    std::uint64_t socket_drops = 0;
    std::optional<latency_figures> latency;  // none without a message
};

// One interval of --stats-interval (info).
void log_interval_figures(const period_figures& figures);

// The whole run, in the summary (info).
void log_run_figures(const period_figures& figures);

}  // namespace tarn
