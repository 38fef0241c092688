#include "app/log_sinks.hpp"

#include <chrono>
#include <cstdio>

#include "app/log_reopen.hpp"
#include "processing/logger.hpp"

namespace tarn {

namespace {

// The record as it is written: with the record time in place of the clock's
// when one is set, in `timed`.
const spdlog::details::log_msg& at_record_time(const spdlog::details::log_msg& message,
                                               spdlog::details::log_msg& timed) {
    const std::optional<std::uint64_t> time_ns = record_time();
    if (!time_ns) {
        return message;
    }
    timed = message;
    timed.time =
        spdlog::log_clock::time_point(std::chrono::duration_cast<spdlog::log_clock::duration>(
            std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(*time_ns))));
    return timed;
}

// Gives the file `buffer`, when it has room, as soon as it is opened.
spdlog::file_event_handlers buffer_setting(std::vector<char>& buffer) {
    spdlog::file_event_handlers handlers;
    if (!buffer.empty()) {
        handlers.after_open = [&buffer](const spdlog::filename_t&, std::FILE* file) {
            static_cast<void>(std::setvbuf(file, buffer.data(), _IOFBF, buffer.size()));
        };
    }
    return handlers;
}

}  // namespace

file_sink::file_sink(const std::string& file_name, std::size_t buffer_size)
    : buffer_(buffer_size),
      file_(std::make_unique<spdlog::details::file_helper>(buffer_setting(buffer_))) {
    file_->open(file_name, false);
}

void file_sink::sink_it_(const spdlog::details::log_msg& message) {
    if (log_reopen_requested().load(std::memory_order_relaxed)) [[unlikely]] {
        reopen();
    }
    formatted_.clear();
    spdlog::details::log_msg timed;
    formatter_->format(at_record_time(message, timed), formatted_);
    file_->write(formatted_);
}

void file_sink::flush_() { file_->flush(); }

// Everything written so far reaches the file open before; the new one is
// opened before the old one is closed, so a failure leaves the old in use.
void file_sink::reopen() {
    log_reopen_requested().store(false);
    file_->flush();
    spare_buffer_.resize(buffer_.size());
    auto reopened = std::make_unique<spdlog::details::file_helper>(buffer_setting(spare_buffer_));
    try {
        reopened->open(file_->filename(), false);
    } catch (const spdlog::spdlog_ex& failure) {
        spdlog::fmt_lib::print(stderr,
                               "Log file not reopened, its records go on to the file open "
                               "before: {}\n",
                               failure.what());
        return;
    }
    file_ = std::move(reopened);
    buffer_.swap(spare_buffer_);
}

void stdout_sink::sink_it_(const spdlog::details::log_msg& message) {
    formatted_.clear();
    spdlog::details::log_msg timed;
    formatter_->format(at_record_time(message, timed), formatted_);
    // As with spdlog's stdout sink, a failed write to standard output does
    // not end the run.
    static_cast<void>(std::fwrite(formatted_.data(), 1, formatted_.size(), stdout));
    if (flush_every_record_) {
        static_cast<void>(std::fflush(stdout));
    }
}

void stdout_sink::flush_() { static_cast<void>(std::fflush(stdout)); }

}  // namespace tarn
