#include "processing/logger.hpp"

namespace tarn {

std::shared_ptr<spdlog::logger>& get_logger() {
    // Created on first use and released at process exit.
    static const auto slot = std::make_unique<std::shared_ptr<spdlog::logger>>();
    return *slot;
}

}  // namespace tarn
