#include "md/json_writer.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "md/enum_to_description.hpp"
#include "md/field_values.hpp"
#include "md/header.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

namespace {

// Where a field goes: a bare list element, the first member of an object,
// or a later one.
enum class position : std::uint8_t { bare, first, later };

// ,"name": at `at`, which has room for the name and 4 characters; without
// the comma for a first member, nothing for a bare value.
char* write_label(char* at, std::string_view name, position where) {
    if (where == position::bare) {
        return at;
    }
    if (where == position::later) {
        *at++ = ',';
    }
    *at++ = '"';
    std::memcpy(at, name.data(), name.size());
    at += name.size();
    *at++ = '"';
    *at++ = ':';
    return at;
}

constexpr std::string_view ns_opening = R"({"ns":)";
constexpr std::string_view utc_middle = R"(,"utc":")";
constexpr std::string_view value_opening = R"({"value":)";
constexpr std::string_view name_middle = R"(,"name":)";
constexpr std::uint64_t nanoseconds_per_second = 1'000'000'000;

constexpr std::size_t timestamp_json_room =
    ns_opening.size() + integer_room + utc_middle.size() + calendar_room + 2;

// {"value":V,"name":"description"} with a description of `name_size`
// characters, or "name":null.
constexpr std::size_t enumeration_json_room(std::size_t name_size) {
    return value_opening.size() + integer_room + name_middle.size() +
           std::max<std::size_t>(name_size + 2, 4) + 1;
}

// {"ns":N,"utc":"calendar form"}
char* write_timestamp_json(char* at, std::uint64_t nanoseconds_since_epoch) {
    at = std::copy(ns_opening.begin(), ns_opening.end(), at);
    at = write_decimal(at, nanoseconds_since_epoch);
    at = std::copy(utc_middle.begin(), utc_middle.end(), at);
    at = write_calendar(
        at, nanoseconds_since_epoch / nanoseconds_per_second,
        static_cast<std::uint32_t>(nanoseconds_since_epoch % nanoseconds_per_second));
    *at++ = '"';
    *at++ = '}';
    return at;
}

// {"value":V,"name":"description"}, "name":null outside the table. The
// descriptions need no escaping (enum_to_description.cpp checks them).
char* write_enumeration_json(char* at, std::int32_t value, std::string_view name) {
    at = std::copy(value_opening.begin(), value_opening.end(), at);
    at = write_integer(at, value);
    at = std::copy(name_middle.begin(), name_middle.end(), at);
    if (name.empty()) {
        constexpr std::string_view null = "null";
        at = std::copy(null.begin(), null.end(), at);
    } else {
        *at++ = '"';
        at = std::copy(name.begin(), name.end(), at);
        *at++ = '"';
    }
    *at++ = '}';
    return at;
}

std::string_view name_of(const field& f, std::int32_t value) {
    return enum_to_description::known_description(*f.kind.names, value);
}

// A number, flag, timestamp or enumeration of kind `Kind` at `at`, which has
// room for json_scalar_room<Kind>.
template <value_kind Kind>
char* write_json_scalar(char* at, const field& f, byte_view container) {
    if constexpr (Kind == value_kind::timestamp) {
        return write_timestamp_json(at, container.load<std::uint64_t>(f.offset));
    } else if constexpr (Kind == value_kind::enumeration) {
        const std::int32_t value = load_enumeration(f, container);
        return write_enumeration_json(at, value, name_of(f, value));
    } else {
        return write_number<Kind>(at, f, container);
    }
}

// The most characters a scalar of kind `Kind` writes: for an enumeration,
// with the longest description of its table.
template <value_kind Kind>
constexpr std::size_t json_scalar_room(const kind_spec& kind) {
    if constexpr (Kind == value_kind::timestamp) {
        return timestamp_json_room;
    } else if constexpr (Kind == value_kind::enumeration) {
        return enumeration_json_room(description_room(*kind.names));
    } else {
        return integer_room;
    }
}

// A number, flag or timestamp with its label: one check of the room.
template <value_kind Kind>
void write_scalar_field(text_stream& out, const field& f, byte_view container, position where) {
    char* const at = out.reserve(f.name.size() + 4 + json_scalar_room<Kind>(f.kind));
    out.commit(write_json_scalar<Kind>(write_label(at, f.name, where), f, container));
}

void write_json_field(text_stream& out, const field& f, byte_view container, position where);

void write_members(text_stream& out, const layout& of, byte_view bytes, position first) {
    for (const field& f : of.fields) {
        write_json_field(out, f, bytes, first);
        first = position::later;
    }
}

void write_object(text_stream& out, const layout& of, byte_view bytes) {
    out << '{';
    write_members(out, of, bytes, position::first);
    out << '}';
}

// A list element: the value itself when the element is one bare value.
void write_element(text_stream& out, const layout& element, byte_view bytes) {
    if (element.fields.size() == 1 && element.fields.front().name.empty()) {
        write_json_field(out, element.fields.front(), bytes, position::bare);
    } else {
        write_object(out, element, bytes);
    }
}

void write_elements(text_stream& out, const layout& element, byte_view first, std::size_t count) {
    out << '[';
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out << ',';
        }
        write_element(out, element, first.sub(i * element.size, element.size));
    }
    out << ']';
}

// A text, ztext, block or list, after its label.
void write_compound(text_stream& out, const field& f, byte_view container) {
    const byte_view bytes = container.sub(f.offset, f.kind.width);
    const std::string_view all(bytes.data(), bytes.size());
    switch (f.kind.kind) {
        case value_kind::text: {
            const std::size_t last = all.find_last_not_of('\0');
            write_json_string(out, all.substr(0, last == std::string_view::npos ? 0 : last + 1));
            break;
        }
        case value_kind::ztext:
            write_json_string(out, all.substr(0, all.find('\0')));
            break;
        case value_kind::block:
            write_object(out, *f.kind.element, bytes);
            break;
        case value_kind::list:
            write_elements(out, *f.kind.element, bytes, f.kind.count);
            break;
        case value_kind::counted_list: {
            // The count as received; only the elements the room holds exist.
            const auto count = bytes.load<std::uint8_t>(0);
            out << R"({"count":)" << count << R"(,"elements":)";
            write_elements(out, *f.kind.element, bytes.sub(1, bytes.size() - 1),
                           std::min<std::size_t>(count, f.kind.count));
            out << '}';
            break;
        }
        default:
            break;
    }
}

void write_json_field(text_stream& out, const field& f, byte_view container, position where) {
    switch (f.kind.kind) {
        case value_kind::uint8:
        case value_kind::flag:
            return write_scalar_field<value_kind::uint8>(out, f, container, where);
        case value_kind::int8:
            return write_scalar_field<value_kind::int8>(out, f, container, where);
        case value_kind::uint16:
            return write_scalar_field<value_kind::uint16>(out, f, container, where);
        case value_kind::uint32:
            return write_scalar_field<value_kind::uint32>(out, f, container, where);
        case value_kind::uint64:
            return write_scalar_field<value_kind::uint64>(out, f, container, where);
        case value_kind::int64:
            return write_scalar_field<value_kind::int64>(out, f, container, where);
        case value_kind::timestamp:
            return write_scalar_field<value_kind::timestamp>(out, f, container, where);
        case value_kind::enumeration: {
            // The description first, so the room made is what it needs.
            const std::int32_t value = load_enumeration(f, container);
            const std::string_view name = name_of(f, value);
            char* const at = out.reserve(f.name.size() + 4 + enumeration_json_room(name.size()));
            out.commit(write_enumeration_json(write_label(at, f.name, where), value, name));
            return;
        }
        default:
            out.commit(write_label(out.reserve(f.name.size() + 4), f.name, where));
            return write_compound(out, f, container);
    }
}

// The header is written for every message, so its writer is unrolled from
// the header's table at compile time, and room for all of it is made once.

template <std::size_t... Index>
constexpr std::size_t header_json_room(std::index_sequence<Index...> /*fields*/) {
    return ((header_fields[Index].name.size() + 4 +
             json_scalar_room<header_fields[Index].kind.kind>(header_fields[Index].kind)) +
            ...);
}

template <std::size_t Index>
char* write_header_json_field(char* at, byte_view header, position where) {
    constexpr const field& f = header_fields[Index];
    static_assert(f.kind.kind != value_kind::text && f.kind.kind != value_kind::ztext &&
                      f.kind.kind != value_kind::block && f.kind.kind != value_kind::list &&
                      f.kind.kind != value_kind::counted_list,
                  "the header writer only writes scalar fields");
    return write_json_scalar<f.kind.kind>(write_label(at, f.name, where), f, header);
}

template <std::size_t... Index>
char* write_header_json_fields(char* at, byte_view header, position first,
                               std::index_sequence<Index...> /*fields*/) {
    ((at = write_header_json_field<Index>(at, header, Index == 0 ? first : position::later)), ...);
    return at;
}

// The header's fields that lie wholly inside `header`, as members.
void write_header_members(text_stream& out, byte_view header, position first) {
    constexpr auto fields = std::make_index_sequence<std::size(header_fields)>();
    if (header.holds(header_layout.size)) {
        constexpr std::size_t room = header_json_room(fields);
        out.commit(write_header_json_fields(out.reserve(room), header, first, fields));
        return;
    }
    for (const field& f : header_layout.fields) {
        if (!header.holds(f.offset + f.kind.width)) {
            break;
        }
        write_json_field(out, f, header, first);
        first = position::later;
    }
}

}  // namespace

text_stream& write_json_header(text_stream& out, byte_view header) {
    write_header_members(out, header, position::later);
    return out;
}

text_stream& write_json_header_object(text_stream& out, byte_view header) {
    out << '{';
    write_header_members(out, header, position::first);
    out << '}';
    return out;
}

text_stream& write_json_fields(text_stream& out, const layout& of, byte_view bytes) {
    write_members(out, of, bytes, position::later);
    return out;
}

bool write_json_message(text_stream& out, const layout& of, byte_view message) {
    if (!message.holds(of.size) || !message.holds(header_layout.size)) {
        return false;
    }
    write_json_header(out, message);
    write_json_fields(out, of, message);
    return true;
}

}  // namespace tarn::md
