#pragma once

#include <cstdint>

namespace tarn::testing {

// Receive and capture times are nanoseconds.
inline constexpr std::uint64_t us = 1'000;
inline constexpr std::uint64_t ms = 1'000'000;

}  // namespace tarn::testing
