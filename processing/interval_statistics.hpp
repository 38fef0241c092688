#pragma once

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

  private:
    run_counts counts() const;
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
    latency_histogram interval_latency_;
    latency_histogram run_latency_;
};

}  // namespace tarn
