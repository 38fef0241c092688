#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "processing/datagram_source.hpp"
#include "processing/latency_histogram.hpp"
#include "processing/md_processors.hpp"
#include "processing/period_figures.hpp"

namespace tarn {

// --stats-interval: one record per interval of what was received, with the
// latency of its messages, and the figures of the whole run for the summary.
// Time is that of the datagrams (a socket's receive time, a capture's time),
// so the same intervals come out of a capture offline; the system clock
// stands in where a datagram has no time. Intervals follow each other from
// the first datagram on (from the start for a live source); a silent stretch
// of several whole intervals is one record of that length.
//
// Microbursts are counted over aligned 1 ms windows of the datagrams' time
// (floor of the time / 1 ms), as market-data monitors report them, in O(1)
// per datagram: the message total is read only where a window or an
// interval ends. An interval's peaks count only its own part of a window
// that straddles its end; the whole run's count whole windows.
class interval_statistics {
  public:
    // The records go to `records`.
    interval_statistics(std::chrono::nanoseconds interval, records::writer& records);

    // How often a live source should wake up through silence: often enough
    // for a record to be late by a fraction of the interval at most.
    std::chrono::nanoseconds wake_up_period() const;

    // The running totals come from the processor and the source of the run,
    // read where an interval starts or ends (the source's drops may cost a
    // system call).
    void attach(const md::processor& processor, datagram_source& source);
    // The intervals of a live source run from now.
    void start_now();
    // Before a datagram's messages: closes the intervals that ended before
    // its time `time_ns` (0: unknown), then counts it.
    void on_datagram(std::uint64_t time_ns, std::size_t wire_size);
    // A live source woke up without a datagram at `time_ns`.
    void on_idle(std::uint64_t time_ns);
    // One message of the current datagram, sent at `sent_ns` by its sender's clock.
    void on_message(std::uint64_t sent_ns) noexcept {
        interval_latency_.record(static_cast<std::int64_t>(now_ - sent_ns));
    }
    // At the end of reception: closes the last, partial interval.
    void finish();
    // The record of the whole run.
    void log_run() const;

    // The microbursts of the last interval closed: its most messages and
    // bytes in one 1 ms window; 0 before the first.
    std::uint64_t last_peak_messages() const noexcept { return last_peak_messages_; }
    std::uint64_t last_peak_bytes() const noexcept { return last_peak_bytes_; }

  private:
    // The counts of the current 1 ms window so far, and the peaks of the
    // windows closed.
    struct burst_window {
        std::uint64_t messages_at_start = 0;  // the message total where it began
        std::uint64_t bytes = 0;
        std::uint64_t peak_messages = 0;
        std::uint64_t peak_bytes = 0;
        // Ends the window at the message total `messages` and begins the next.
        void close(std::uint64_t messages) noexcept {
            peak_messages = std::max(peak_messages, messages - messages_at_start);
            peak_bytes = std::max(peak_bytes, bytes);
            messages_at_start = messages;
            bytes = 0;
        }
    };

    run_counts counts() const;
    std::uint64_t message_total() const noexcept;
    void begin(std::uint64_t time_ns);
    void advance(std::uint64_t time_ns);
    void close_interval(std::uint64_t end_ns);

    std::uint64_t interval_ns_;
    records::writer& records_;
    const md::processor* processor_ = nullptr;
    datagram_source* source_ = nullptr;
    bool started_ = false;
    std::uint64_t run_start_ = 0;
    std::uint64_t interval_start_ = 0;
    std::uint64_t now_ = 0;  // the time of the latest datagram or wake-up
    run_counts at_run_start_{};
    run_counts at_interval_start_{};
    run_counts at_end_{};
    std::uint64_t datagrams_ = 0;  // of the current interval
    std::uint64_t bytes_ = 0;
    std::uint64_t run_datagrams_ = 0;  // of the intervals closed
    std::uint64_t run_bytes_ = 0;
    std::uint64_t window_ = 0;     // the current 1 ms window: the time / 1 ms
    burst_window interval_burst_;  // cut where an interval ends
    burst_window run_burst_;       // whole windows
    std::uint64_t last_peak_messages_ = 0;
    std::uint64_t last_peak_bytes_ = 0;
    latency_histogram interval_latency_;
    latency_histogram run_latency_;
};

}  // namespace tarn
