#include "app/processor_choice.hpp"

#include <spdlog/common.h>

#include <stdexcept>

#include "app/options.hpp"

namespace tarn {

namespace {

template <class Processor>
std::unique_ptr<md::processor> make_processor(md::message_filter filter) {
    auto processor = std::make_unique<Processor>();
    processor->show_only(std::move(filter));
    return processor;
}

}  // namespace

std::unique_ptr<md::processor> choose_processor(
    const boost::program_options::variables_map& options, md::message_filter filter) {
    const bool full_dump = options.count("full-dump") != 0;
    const bool heartbeats = options.count("hb") != 0;
    if (options.count("check-seq") != 0) {
        return make_processor<md::seq_check_processor>(std::move(filter));
    }
    if (full_dump) {
        if (heartbeats) {
            return make_processor<md::full_display_processor_with_hb>(std::move(filter));
        }
        return make_processor<md::full_display_processor>(std::move(filter));
    }
    if (heartbeats) {
        return make_processor<md::display_processor_with_hb>(std::move(filter));
    }
    return make_processor<md::display_processor>(std::move(filter));
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
    processor.set_every(every);
}

}  // namespace tarn
