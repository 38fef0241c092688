#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "md/enums.hpp"

namespace tarn {

// The values of --only-type and --only-instrument: comma-separated items,
// blanks around an item ignored. Each throws std::runtime_error naming the
// first item it cannot take.

// Message types by name ("OrderAdd") or decimal code ("38", any code from 0
// to 65535, known or not).
std::vector<md::MsgType> parse_type_list(std::string_view list);

// Instrument ids, decimal, 0 to 4294967295.
std::vector<std::uint32_t> parse_instrument_list(std::string_view list);

}  // namespace tarn
