#include "processing/loss_records.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

#include "processing/grouped_count.hpp"
#include "processing/logger.hpp"

namespace tarn {

namespace {

constexpr double nanoseconds_per_second = 1e9;

// Below a millisecond in microseconds, below a second in milliseconds, then in seconds.
std::string latency_text(std::int64_t nanoseconds) {
    const auto value = static_cast<double>(nanoseconds);
    const double magnitude = std::abs(value);
    if (magnitude < 1e6) {
        return spdlog::fmt_lib::format("{:.1f} us", value / 1e3);
    }
    if (magnitude < nanoseconds_per_second) {
        return spdlog::fmt_lib::format("{:.3f} ms", value / 1e6);
    }
    return spdlog::fmt_lib::format("{:.3f} s", value / nanoseconds_per_second);
}

grouped_count per_second(std::uint64_t count, std::uint64_t duration_ns) {
    if (duration_ns == 0) {
        return {0};
    }
    const double rate =
        static_cast<double>(count) * nanoseconds_per_second / static_cast<double>(duration_ns);
    return {static_cast<std::uint64_t>(std::llround(rate))};
}

void log_period(const char* label, const period_figures& f) {
    std::string latency = "no latency";
    if (f.latency) {
        latency = "latency p50 " + latency_text(f.latency->p50) + " p99 " +
                  latency_text(f.latency->p99) + " max " + latency_text(f.latency->max);
    }
    get_logger()->info(
        "{} {:.3f} s: {} messages ({}/s), {} datagrams ({}/s), {} bytes, {} gaps, {} messages "
        "lost, {} socket drops, {}",
        label, static_cast<double>(f.duration_ns) / nanoseconds_per_second,
        grouped_count{f.messages}, per_second(f.messages, f.duration_ns),
        grouped_count{f.datagrams}, per_second(f.datagrams, f.duration_ns), grouped_count{f.bytes},
        grouped_count{f.gaps}, grouped_count{f.lost}, grouped_count{f.socket_drops}, latency);
}

}  // namespace

void log_receive_buffer(std::uint64_t asked, std::uint64_t granted) {
    if (granted >= asked) {
        get_logger()->info("Socket receive buffer of {} bytes, {} asked", grouped_count{granted},
                           grouped_count{asked});
        return;
    }
    get_logger()->warn(
        "Socket receive buffer of only {} bytes, {} asked: the system's limit "
        "(net.core.rmem_max) is lower and the process may not exceed it",
        grouped_count{granted}, grouped_count{asked});
}

void log_datagram_cut(std::size_t wire_size, std::size_t room) {
    get_logger()->warn(
        "Datagram of {} bytes cut to the {} bytes the receive buffer had room for; its "
        "incomplete end dropped",
        wire_size, room);
}

void log_socket_drops(std::uint64_t drops) {
    get_logger()->warn(
        "{} datagrams dropped by this host's socket, its receive buffer full: see "
        "--receive-buffer",
        grouped_count{drops});
}

void log_interval_figures(const period_figures& figures) { log_period("Interval of", figures); }

void log_run_figures(const period_figures& figures) { log_period("Whole run of", figures); }

}  // namespace tarn
