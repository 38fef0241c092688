#include "app/processor_choice.hpp"

#include <spdlog/common.h>

#include <stdexcept>

#include "app/options.hpp"

namespace tarn {

std::unique_ptr<md::processor> choose_processor(
    const boost::program_options::variables_map& options) {
    const bool full_dump = options.count("full-dump") != 0;
    const bool heartbeats = options.count("hb") != 0;
    if (options.count("check-seq") != 0) {
        return std::make_unique<md::seq_check_processor>();
    }
    if (full_dump) {
        if (heartbeats) {
            return std::make_unique<md::full_display_processor_with_hb>();
        }
        return std::make_unique<md::full_display_processor>();
    }
    if (heartbeats) {
        return std::make_unique<md::display_processor_with_hb>();
    }
    return std::make_unique<md::display_processor>();
}

void apply_every(const boost::program_options::variables_map& options, md::processor& processor) {
    if (options.count("every") == 0) {
        return;
    }
    constexpr std::uint64_t minimum = 10;
    const std::uint64_t every = options["every"].as<strict_unsigned<std::uint64_t>>().value;
    if (every == 0) {
        return;
    }
    if (every < minimum) {
        throw std::runtime_error(spdlog::fmt_lib::format("Invalid every: {}", every));
    }
    processor.every = every;
}

}  // namespace tarn
