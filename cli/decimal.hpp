#pragma once

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>
#include <system_error>

namespace tarn {

// The unsigned number that `text` writes in decimal digits and nothing else:
// no sign, no blanks, no base prefix, and small enough for T. Every option
// of the three programs that takes a number reads it here.
template <std::unsigned_integral T>
std::optional<T> parse_decimal(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    T value{};
    const std::from_chars_result read = std::from_chars(&text.front(), &text.back() + 1, value);
    if (read.ec != std::errc{} || read.ptr != &text.back() + 1) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tarn
