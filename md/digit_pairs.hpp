#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarn::md {

// "00" to "99": two digits at a time halve the divisions of a number.
inline constexpr std::array<char, 200> digit_pairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes `value` (below 100) as two digits.
inline void write_two_digits(char* at, std::uint32_t value) {
    std::memcpy(at, &digit_pairs[2 * static_cast<std::size_t>(value)], 2);
}

}  // namespace tarn::md
