#include "processing/logger.hpp"

namespace tarn {

std::shared_ptr<spdlog::logger>& get_logger() {
    // Created on first use and released at process exit.
    static const auto slot = std::make_unique<std::shared_ptr<spdlog::logger>>();
    return *slot;
}

namespace {

std::optional<std::uint64_t> record_time_ns;

}  // namespace

void set_record_time(std::optional<std::uint64_t> time_ns) { record_time_ns = time_ns; }

std::optional<std::uint64_t> record_time() { return record_time_ns; }

}  // namespace tarn
