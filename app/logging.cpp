#include "app/logging.hpp"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>

#include "app/log_sinks.hpp"
#include "app/record_formatter.hpp"
#include "app/version.hpp"
#include "processing/logger.hpp"

namespace tarn {

void set_up_logger(const std::string& file_name, records::form form, log_flushing flushing) {
    auto& slot = get_logger();
    // A logger of the same name may be registered from an earlier set-up in
    // this process; the registry holds one name once.
    spdlog::drop(logger_name);
    // Offline, one large buffer: few system calls for a log of millions of lines.
    constexpr std::size_t offline_buffer_size = std::size_t{1} << 20U;
    const bool buffered = flushing == log_flushing::at_end;
    std::shared_ptr<spdlog::sinks::sink> sink;
    if (file_name.empty()) {
        if (buffered) {
            // Before anything is written to standard output, as it must be.
            static_cast<void>(std::setvbuf(stdout, nullptr, _IOFBF, offline_buffer_size));
        }
        sink = std::make_shared<stdout_sink>(!buffered);
    } else {
        sink = std::make_shared<file_sink>(file_name, buffered ? offline_buffer_size : 0);
    }
    auto logger = std::make_shared<spdlog::logger>(logger_name, std::move(sink));
    spdlog::initialize_logger(logger);
    slot = std::move(logger);
    if (form == records::form::json) {
        slot->set_pattern(json_log_pattern, spdlog::pattern_time_type::local);
    } else {
        // The log pattern in local time, written by a formatter made for it.
        slot->set_formatter(std::make_unique<record_formatter>());
    }
    if (!file_name.empty() && flushing == log_flushing::every_record) {
        slot->flush_on(spdlog::level::info);
    }
}

void log_start_record(records::writer& records, int argc, const char* const* argv) {
    const std::span<const char* const> arguments(argv, static_cast<std::size_t>(std::max(argc, 0)));
    records.start(arguments.empty() ? "" : arguments.front(), version_text, revision_id,
                  arguments.empty() ? arguments : arguments.subspan(1));
}

}  // namespace tarn
