#pragma once

#include <spdlog/logger.h>
#include <spdlog/sinks/null_sink.h>

#include <memory>

#include "processing/logger.hpp"

namespace tarn::fuzz {

// Puts a logger into the process-wide slot whose records are formatted in
// full, as a real run formats them, and then dropped.
inline void use_null_logger() {
    if (!get_logger()) {
        get_logger() = std::make_shared<spdlog::logger>(
            "md_dump_logger", std::make_shared<spdlog::sinks::null_sink_st>());
    }
}

}  // namespace tarn::fuzz
