#pragma once

#include <spdlog/details/log_msg.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "json_check.hpp"
#include "processing/logger.hpp"
#include "processing/records.hpp"

namespace tarn::fuzz {

// Drops every record once the logger has formatted it in full, as a real run
// formats it. A record of the JSON form must make a valid JSON object: one
// that does not is a finding.
class json_checking_sink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
  public:
    void expect(records::form form) { json_ = form == records::form::json; }

  protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        if (!json_) {
            return;
        }
        object_.assign("{").append(message.payload.data(), message.payload.size()).append("}");
        if (!json_check::valid(object_)) {
            std::abort();
        }
    }
    void flush_() override {}

  private:
    bool json_ = false;
    std::string object_;
};

// Puts a logger with that sink into the process-wide slot, checking records
// of `form` from now on.
inline void use_json_checking_sink(records::form form) {
    static const auto sink = std::make_shared<json_checking_sink>();
    sink->expect(form);
    if (!get_logger()) {
        get_logger() = std::make_shared<spdlog::logger>("md_dump_logger", sink);
    }
}

}  // namespace tarn::fuzz
