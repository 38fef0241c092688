#include "app/log_sinks.hpp"

#include <cstdio>

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
    : buffer_(buffer_size), file_(buffer_setting(buffer_)) {
    file_.open(file_name, false);
}

void file_sink::sink_it_(const spdlog::details::log_msg& message) {
    formatted_.clear();
    formatter_->format(message, formatted_);
    file_.write(formatted_);
}

void file_sink::flush_() { file_.flush(); }

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
