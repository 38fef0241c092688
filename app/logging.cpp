#include "app/logging.hpp"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <memory>
#include <span>
#include <stdexcept>

#include "app/log_sinks.hpp"
#include "app/version.hpp"
#include "processing/logger.hpp"

namespace tarn {

void set_up_logger(const std::string& file_name, records::form form) {
    auto& slot = get_logger();
    // A logger of the same name may be registered from an earlier set-up in
    // this process; the registry holds one name once.
    spdlog::drop(logger_name);
    std::shared_ptr<spdlog::sinks::sink> sink;
    if (file_name.empty()) {
        sink = std::make_shared<stdout_sink>();
    } else {
        sink = std::make_shared<file_sink>(file_name);
    }
    auto logger = std::make_shared<spdlog::logger>(logger_name, std::move(sink));
    spdlog::initialize_logger(logger);
    slot = std::move(logger);
    if (!slot) {
        throw std::runtime_error("Unable to acclocate memory for logger.");
    }
    records::use_form(form);
    slot->set_pattern(form == records::form::json ? json_log_pattern : log_pattern,
                      spdlog::pattern_time_type::local);
    if (!file_name.empty()) {
        slot->flush_on(spdlog::level::info);
    }
}

void log_start_record(int argc, const char* const* argv) {
    const std::span<const char* const> arguments(argv, static_cast<std::size_t>(std::max(argc, 0)));
    records::start(arguments.empty() ? "" : arguments.front(), version_text, revision_id,
                   arguments.empty() ? arguments : arguments.subspan(1));
}

}  // namespace tarn
