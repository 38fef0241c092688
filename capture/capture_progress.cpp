#include "capture/capture_progress.hpp"

#include <spdlog/common.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>

namespace tarn::capture {

namespace {

// "12 s" below two minutes, then "3 min", rounded up.
std::string duration_text(double seconds) {
    constexpr double minute = 60;
    if (seconds < 2 * minute) {
        return spdlog::fmt_lib::format("{:.0f} s", std::ceil(seconds));
    }
    return spdlog::fmt_lib::format("{:.0f} min", std::ceil(seconds / minute));
}

}  // namespace

progress_display progress_display::standard_error() {
    return {.out = &std::cerr, .shown = isatty(STDERR_FILENO) == 1, .now_ns = [] {
                return static_cast<std::uint64_t>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
            }};
}

capture_progress::capture_progress(std::string name, std::optional<std::uint64_t> size,
                                   std::function<std::uint64_t()> position,
                                   progress_display display)
    : name_(std::move(name)),
      size_(size.value_or(0)),
      position_(std::move(position)),
      display_(std::move(display)),
      shown_(display_.shown && size.has_value() && display_.out != nullptr) {
    if (shown_) {
        start_ns_ = last_draw_ns_ = display_.now_ns();
        start_position_ = position_();
    }
}

namespace {

progress_display beside_the_log(bool log_on_standard_output) {
    progress_display display = progress_display::standard_error();
    display.shown = display.shown && !(log_on_standard_output && isatty(STDOUT_FILENO) == 1);
    return display;
}

}  // namespace

capture_progress::capture_progress(const capture_reader& reader, bool log_on_standard_output)
    : capture_progress(
          reader.name(), reader.size(), [&reader] { return reader.position(); },
          beside_the_log(log_on_standard_output)) {}

void capture_progress::look() {
    const std::uint64_t now = display_.now_ns();
    if (now - last_draw_ns_ < redraw_every_ns) {
        return;
    }
    last_draw_ns_ = now;
    const std::uint64_t position = std::min(position_(), size_);
    const double seconds = static_cast<double>(now - start_ns_) / 1e9;
    const double rate = static_cast<double>(position - std::min(position, start_position_)) /
                        seconds;  // bytes per second
    std::string text = spdlog::fmt_lib::format(
        "\r{}: {:.1f} % read, {:.0f} MB/s", name_,
        size_ == 0 ? 100.0 : 100.0 * static_cast<double>(position) / static_cast<double>(size_),
        rate / 1e6);
    if (rate > 0) {
        text += ", " + duration_text(static_cast<double>(size_ - position) / rate) + " left";
    }
    *display_.out << text << "\x1b[K" << std::flush;
    drawn_ = true;
}

void capture_progress::erase() {
    if (drawn_) {
        *display_.out << "\r\x1b[K" << std::flush;
        drawn_ = false;
    }
}

}  // namespace tarn::capture
