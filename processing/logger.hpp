#pragma once

#include <spdlog/logger.h>

#include <memory>

namespace tarn {

// The process-wide slot of the one logger "md_dump_logger". It is empty until
// the application fills it; every writer of records takes the logger from here.
std::shared_ptr<spdlog::logger>& get_logger();

}  // namespace tarn
