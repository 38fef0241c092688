#include "app/log_sinks.hpp"

#include <cstdio>

namespace tarn {

file_sink::file_sink(const std::string& file_name) { file_.open(file_name, false); }

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
    static_cast<void>(std::fflush(stdout));
}

void stdout_sink::flush_() { static_cast<void>(std::fflush(stdout)); }

}  // namespace tarn
