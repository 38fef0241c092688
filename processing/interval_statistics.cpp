#include "processing/interval_statistics.hpp"

#include <algorithm>

#include "processing/system_time.hpp"

namespace tarn {

namespace {

constexpr std::uint64_t window_ns = 1'000'000;  // microbursts over 1 ms

std::optional<latency_figures> latency_of(const latency_histogram& histogram) {
    if (histogram.count() == 0) {
        return std::nullopt;
    }
    constexpr double median = 0.5;
    constexpr double high = 0.99;
    return latency_figures{histogram.percentile(median), histogram.percentile(high),
                           histogram.max()};
}

// What a period received besides the differences of the running totals.
struct period_tally {
    std::uint64_t duration_ns;
    std::uint64_t datagrams;
    std::uint64_t bytes;
    std::uint64_t peak_messages_per_ms;
    std::uint64_t peak_bytes_per_ms;
};

// The figures of the period from the totals `from` to the totals `to`.
period_figures figures_between(const run_counts& from, const run_counts& to,
                               const period_tally& tally, const latency_histogram& latency) {
    return {{.messages = to.messages - from.messages,
             .gaps = to.gaps - from.gaps,
             .lost = to.lost - from.lost,
             .socket_drops = to.socket_drops - from.socket_drops},
            tally.duration_ns,
            tally.datagrams,
            tally.bytes,
            latency_of(latency),
            tally.peak_messages_per_ms,
            tally.peak_bytes_per_ms};
}

}  // namespace

interval_statistics::interval_statistics(std::chrono::nanoseconds interval,
                                         records::writer& records)
    : interval_ns_(static_cast<std::uint64_t>(std::max<std::int64_t>(interval.count(), 1))),
      records_(records) {}

std::chrono::nanoseconds interval_statistics::wake_up_period() const {
    constexpr auto most = std::chrono::milliseconds(200);
    return std::min<std::chrono::nanoseconds>(std::chrono::nanoseconds(interval_ns_ / 4), most);
}

void interval_statistics::attach(const md::processor& processor, datagram_source& source) {
    processor_ = &processor;
    source_ = &source;
}

run_counts interval_statistics::counts() const {
    if (processor_ == nullptr || source_ == nullptr) {
        return {};
    }
    return {.messages = processor_->received_,
            .gaps = processor_->gaps_,
            .lost = processor_->lost_,
            .socket_drops = source_->dropped()};
}

std::uint64_t interval_statistics::message_total() const noexcept {
    return processor_ != nullptr ? processor_->received_ : 0;
}

void interval_statistics::begin(std::uint64_t time_ns) {
    started_ = true;
    run_start_ = interval_start_ = now_ = time_ns;
    at_run_start_ = at_interval_start_ = counts();
    window_ = time_ns / window_ns;
    interval_burst_.messages_at_start = run_burst_.messages_at_start = at_run_start_.messages;
}

void interval_statistics::start_now() { begin(system_time_ns()); }

void interval_statistics::advance(std::uint64_t time_ns) {
    now_ = time_ns != 0 ? time_ns : system_time_ns();
    if (!started_) {
        begin(now_);
    }
    if (now_ < interval_start_ || now_ - interval_start_ < interval_ns_) {
        return;  // within the interval (or a clock stepped back)
    }
    close_interval(interval_start_ + interval_ns_);
    const std::uint64_t silent = (now_ - interval_start_) / interval_ns_;
    if (silent != 0) {
        close_interval(interval_start_ + silent * interval_ns_);
    }
}

void interval_statistics::on_datagram(std::uint64_t time_ns, std::size_t wire_size) {
    advance(time_ns);
    ++datagrams_;
    bytes_ += wire_size;
    if (const std::uint64_t window = now_ / window_ns; window != window_) {
        const std::uint64_t messages = message_total();
        interval_burst_.close(messages);
        run_burst_.close(messages);
        window_ = window;
    }
    interval_burst_.bytes += wire_size;
    run_burst_.bytes += wire_size;
}

void interval_statistics::on_idle(std::uint64_t time_ns) { advance(time_ns); }

void interval_statistics::close_interval(std::uint64_t end_ns) {
    const run_counts now = counts();
    interval_burst_.close(now.messages);
    records_.interval_figures(
        figures_between(at_interval_start_, now,
                        {end_ns - interval_start_, datagrams_, bytes_,
                         interval_burst_.peak_messages, interval_burst_.peak_bytes},
                        interval_latency_));
    last_peak_messages_ = interval_burst_.peak_messages;
    last_peak_bytes_ = interval_burst_.peak_bytes;
    interval_burst_.peak_messages = interval_burst_.peak_bytes = 0;
    run_latency_.add(interval_latency_);
    interval_latency_.clear();
    run_datagrams_ += datagrams_;
    run_bytes_ += bytes_;
    datagrams_ = bytes_ = 0;
    at_interval_start_ = now;
    interval_start_ = end_ns;
}

void interval_statistics::finish() {
    if (started_ && (now_ > interval_start_ || datagrams_ != 0)) {
        close_interval(std::max(now_, interval_start_));
    }
    at_end_ = started_ ? at_interval_start_ : counts();
    run_burst_.close(message_total());
}

void interval_statistics::log_run() const {
    records_.run_figures(
        figures_between(at_run_start_, at_end_,
                        {started_ ? interval_start_ - run_start_ : 0, run_datagrams_, run_bytes_,
                         run_burst_.peak_messages, run_burst_.peak_bytes},
                        run_latency_));
}

}  // namespace tarn
