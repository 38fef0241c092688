#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

#include "md/enum_tables.hpp"

namespace tarn::md {

// How a field sits on the wire and how it prints.
enum class value_kind : std::uint8_t {
    uint8,
    int8,
    uint16,
    uint32,
    uint64,
    int64,
    flag,
    enumeration,
    timestamp,
    text,
    ztext,
    block,
    list,
    counted_list,
};

struct layout;

// A block, list or counted list: a field made of other fields.
constexpr bool is_compound(value_kind kind) {
    return kind == value_kind::block || kind == value_kind::list ||
           kind == value_kind::counted_list;
}

// A number, flag, timestamp or enumeration: one value of a fixed width.
constexpr bool is_scalar(value_kind kind) {
    return kind != value_kind::text && kind != value_kind::ztext && !is_compound(kind);
}

// A field's kind with everything its printing needs: its width on the wire,
// the description table of an enumeration, the element layout of a block or
// list, and the element count of a list (the capacity of a counted list).
struct kind_spec {
    value_kind kind;
    std::uint16_t width;
    const enum_table* names = nullptr;
    const layout* element = nullptr;
    std::uint8_t count = 0;
};

// One row of a protocol table. A field without a name is a bare value: the
// element of a list of single values, printed without "name=".
struct field {
    std::uint16_t offset;
    std::string_view name;
    kind_spec kind;
};

// The fields of a message body, a block or a list element, in wire order.
// Offsets of a message's fields count from the first byte of its header;
// those of a block or element from the start of the block.
struct layout {
    std::uint16_t size;
    std::span<const field> fields;
};

// The kinds as the protocol tables name them.
inline constexpr kind_spec uint8{value_kind::uint8, 1};
inline constexpr kind_spec int8{value_kind::int8, 1};
inline constexpr kind_spec uint16{value_kind::uint16, 2};
inline constexpr kind_spec uint32{value_kind::uint32, 4};
inline constexpr kind_spec uint64{value_kind::uint64, 8};
inline constexpr kind_spec int64{value_kind::int64, 8};
inline constexpr kind_spec flag{value_kind::flag, 1};
inline constexpr kind_spec timestamp{value_kind::timestamp, 8};

constexpr kind_spec text(std::uint16_t width) { return {value_kind::text, width}; }
constexpr kind_spec ztext(std::uint16_t width) { return {value_kind::ztext, width}; }

template <class E>
inline constexpr kind_spec enumeration{value_kind::enumeration, sizeof(E), &names_of(E{})};

constexpr kind_spec block(const layout& of) { return {value_kind::block, of.size, nullptr, &of}; }

constexpr kind_spec list(const layout& element, std::uint8_t count) {
    return {value_kind::list, static_cast<std::uint16_t>(element.size * count), nullptr, &element,
            count};
}

// A uint8 count followed by room for `capacity` elements.
constexpr kind_spec counted_list(const layout& element, std::uint8_t capacity) {
    return {value_kind::counted_list, static_cast<std::uint16_t>(1 + element.size * capacity),
            nullptr, &element, capacity};
}

// True when the fields start at `first_offset`, each starts where the one
// before it ends, and the last ends at the layout's size. Checked at compile
// time for every layout, so a transcription slip fails the build.
constexpr bool is_contiguous(const layout& of, std::uint16_t first_offset) {
    std::size_t at = first_offset;
    for (const field& f : of.fields) {
        if (f.offset != at || f.kind.width == 0) {
            return false;
        }
        at += f.kind.width;
    }
    return at == of.size;
}

// The offset of the field called `name`, looked up at compile time: a name
// the layout lacks fails the build.
consteval std::uint16_t field_offset(const layout& of, std::string_view name) {
    const auto found = std::ranges::find(of.fields, name, &field::name);
    if (found == of.fields.end()) {
        throw std::logic_error("no field of that name in the layout");
    }
    return found->offset;
}

// The first byte of a message body.
inline constexpr std::uint16_t body_offset = 42;

}  // namespace tarn::md
