#pragma once

#include <cstdint>
#include <memory>

#include "processing/md_processors.hpp"

namespace tarn::fuzz {

// One of the five processors a run can have, by `choice` modulo 5.
inline std::unique_ptr<md::processor> pick_processor(unsigned choice) {
    switch (choice % 5) {
        case 0:
            return std::make_unique<md::display_processor>();
        case 1:
            return std::make_unique<md::display_processor_with_hb>();
        case 2:
            return std::make_unique<md::full_display_processor>();
        case 3:
            return std::make_unique<md::full_display_processor_with_hb>();
        default:
            return std::make_unique<md::seq_check_processor>();
    }
}

}  // namespace tarn::fuzz
