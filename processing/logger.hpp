#pragma once

#include <spdlog/logger.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace tarn {

// The process-wide slot of the one logger "md_dump_logger". It is empty until
// the application fills it; every writer of records takes the logger from here.
std::shared_ptr<spdlog::logger>& get_logger();

// The time the records being written carry, in nanoseconds since 1970
// (UTC); without one, the clock's time at writing. A run over a capture sets
// each datagram's capture time while that datagram's records are written.
void set_record_time(std::optional<std::uint64_t> time_ns);
std::optional<std::uint64_t> record_time();

}  // namespace tarn
