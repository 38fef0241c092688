#include "app/logging.hpp"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <stdexcept>

#include "app/version.hpp"
#include "processing/logger.hpp"

namespace tarn {

void set_up_logger(const std::string& file_name) {
    auto& slot = get_logger();
    // A logger of the same name may be registered from an earlier set-up in
    // this process; the registry holds one name once.
    spdlog::drop(logger_name);
    if (!file_name.empty()) {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_st>(file_name, false);
        auto logger = std::make_shared<spdlog::logger>(logger_name, std::move(sink));
        spdlog::initialize_logger(logger);
        slot = std::move(logger);
    } else {
        slot = spdlog::stdout_logger_st(logger_name);
    }
    if (!slot) {
        throw std::runtime_error("Unable to acclocate memory for logger.");
    }
    slot->set_pattern(log_pattern, spdlog::pattern_time_type::local);
    if (!file_name.empty()) {
        slot->flush_on(spdlog::level::info);
    }
}

void log_start_record(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        tail += ' ';
        tail += argv[i];
    }
    const auto logger = get_logger();
    logger->info("Start {} {} {}{}", argc > 0 ? argv[0] : "", version_text, revision_id, tail);
}

}  // namespace tarn
