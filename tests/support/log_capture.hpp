#pragma once

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/logging.hpp"
#include "processing/logger.hpp"

namespace tarn::testing {

// One record as written: its level and its message text, without the prefix.
struct record {
    spdlog::level::level_enum level;
    std::string text;

    bool operator==(const record&) const = default;
};

// How a failing expectation shows a record.
inline void PrintTo(const record& r, std::ostream* out) {
    *out << spdlog::level::to_string_view(r.level).data() << ' ' << r.text;
}

class capture_sink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
  public:
    std::vector<record> records;

  protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        records.push_back(
            {message.level, std::string(message.payload.data(), message.payload.size())});
    }
    void flush_() override {}
};

// Puts a logger that captures every record into the process-wide slot for the
// lifetime of the object.
class log_capture {
  public:
    log_capture() : sink_(std::make_shared<capture_sink>()) {
        get_logger() = std::make_shared<spdlog::logger>(logger_name, sink_);
    }
    ~log_capture() { get_logger().reset(); }
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;

    const std::vector<record>& records() const { return sink_->records; }

  private:
    std::shared_ptr<capture_sink> sink_;
};

inline record info(std::string text) { return {spdlog::level::info, std::move(text)}; }
inline record warn(std::string text) { return {spdlog::level::warn, std::move(text)}; }
inline record error(std::string text) { return {spdlog::level::err, std::move(text)}; }

}  // namespace tarn::testing
