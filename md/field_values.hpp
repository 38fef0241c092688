#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

// A field's value read by its kind, shared by the two walks over the layouts:
// the text of a message and its JSON.

// The longest description of a table, or the longest fallback (a 32-bit
// value in decimal) when that is longer.
constexpr std::size_t description_room(const enum_table& table) {
    std::size_t longest = 11;
    for (const enum_entry& entry : table.entries) {
        longest = std::max(longest, entry.text.size());
    }
    return longest;
}

// The raw value of an enumeration field: a uint16, or a signed or unsigned
// byte as the field's table says.
inline std::int32_t load_enumeration(const field& f, byte_view container) {
    if (f.kind.width == 2) {
        return container.load<std::uint16_t>(f.offset);
    }
    if (f.kind.names->is_signed) {
        return container.load<std::int8_t>(f.offset);
    }
    return container.load<std::uint8_t>(f.offset);
}

// A number, flag or timestamp of kind `Kind` at `at`, which has room for it:
// integer_room characters, timestamp_value_room for a timestamp.
template <value_kind Kind>
char* write_number(char* at, const field& f, byte_view container) {
    if constexpr (Kind == value_kind::uint8 || Kind == value_kind::flag) {
        // A flag byte other than 0 and 1 prints as its number.
        return write_integer(at, container.load<std::uint8_t>(f.offset));
    } else if constexpr (Kind == value_kind::int8) {
        return write_integer(at, container.load<std::int8_t>(f.offset));
    } else if constexpr (Kind == value_kind::uint16) {
        return write_integer(at, container.load<std::uint16_t>(f.offset));
    } else if constexpr (Kind == value_kind::uint32) {
        return write_integer(at, container.load<std::uint32_t>(f.offset));
    } else if constexpr (Kind == value_kind::uint64) {
        return write_integer(at, container.load<std::uint64_t>(f.offset));
    } else if constexpr (Kind == value_kind::int64) {
        return write_integer(at, container.load<std::int64_t>(f.offset));
    } else {
        static_assert(Kind == value_kind::timestamp);
        return write_timestamp_value(at, container.load<std::uint64_t>(f.offset));
    }
}

}  // namespace tarn::md
