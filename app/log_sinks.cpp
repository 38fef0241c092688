#include "app/log_sinks.hpp"

#include <cstdio>

#include "app/log_reopen.hpp"

namespace tarn {

namespace {

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
    formatter_->format(message, formatted_);
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
    formatter_->format(message, formatted_);
    // As with spdlog's stdout sink, a failed write to standard output does
    // not end the run.
    static_cast<void>(std::fwrite(formatted_.data(), 1, formatted_.size(), stdout));
    if (flush_every_record_) {
        static_cast<void>(std::fflush(stdout));
    }
}

void stdout_sink::flush_() { static_cast<void>(std::fflush(stdout)); }

}  // namespace tarn
