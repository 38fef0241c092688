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
    T value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tarn
