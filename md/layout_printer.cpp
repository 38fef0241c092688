#include "md/layout_printer.hpp"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <utility>

#include "md/enum_to_description.hpp"
#include "md/field_values.hpp"
#include "md/header.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

namespace {

// A number, flag or timestamp at `at`, which has room for it.
char* write_scalar(char* at, const field& f, byte_view container) {
    switch (f.kind.kind) {
        case value_kind::uint8:
        case value_kind::flag:
            return write_number<value_kind::uint8>(at, f, container);
        case value_kind::int8:
            return write_number<value_kind::int8>(at, f, container);
        case value_kind::uint16:
            return write_number<value_kind::uint16>(at, f, container);
        case value_kind::uint32:
            return write_number<value_kind::uint32>(at, f, container);
        case value_kind::uint64:
            return write_number<value_kind::uint64>(at, f, container);
        case value_kind::int64:
            return write_number<value_kind::int64>(at, f, container);
        case value_kind::timestamp:
            return write_number<value_kind::timestamp>(at, f, container);
        default:
            return at;
    }
}

// The most characters a scalar field prints as.
constexpr std::size_t scalar_room(const kind_spec& kind) {
    switch (kind.kind) {
        case value_kind::timestamp:
            return timestamp_value_room;
        case value_kind::enumeration:
            return integer_room + 2 + description_room(*kind.names);
        default:
            return integer_room;
    }
}

// "[" element "," element ... "]", each element as its fields.
void write_elements(text_stream& out, const layout& element, byte_view first, std::size_t count) {
    out << '[';
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out << ',';
        }
        write_fields(out, element, first.sub(i * element.size, element.size));
    }
    out << ']';
}

// The header text is written for every message, so its writer is unrolled
// from the header's table at compile time: every name is a constant, every
// kind known, and room for the whole text is made once.

constexpr bool header_is_scalar() {
    return std::all_of(std::begin(header_fields), std::end(header_fields), [](const field& f) {
        return f.kind.kind != value_kind::text && f.kind.kind != value_kind::ztext &&
               f.kind.kind != value_kind::block && f.kind.kind != value_kind::list &&
               f.kind.kind != value_kind::counted_list;
    });
}
static_assert(header_is_scalar(), "the header writer only writes scalar fields");

constexpr std::size_t header_text_room() {
    return std::accumulate(std::begin(header_fields), std::end(header_fields), std::size_t{0},
                           [](std::size_t room, const field& f) {
                               return room + f.name.size() + 2 +
                                      scalar_room(f.kind);  // "name=value|"
                           });
}

template <std::size_t Index>
char* write_header_field(char* at, byte_view header) {
    constexpr const field& f = header_fields[Index];
    std::memcpy(at, f.name.data(), f.name.size());
    at += f.name.size();
    *at++ = '=';
    if constexpr (f.kind.kind == value_kind::enumeration) {
        at = enumeration_text(*f.kind.names, load_enumeration(f, header)).write(at);
    } else {
        at = write_number<f.kind.kind>(at, f, header);
    }
    *at++ = '|';
    return at;
}

template <std::size_t... Index>
char* write_header_fields(char* at, byte_view header, std::index_sequence<Index...> /*fields*/) {
    ((at = write_header_field<Index>(at, header)), ...);
    return at;
}

// "|name=" at `at`, nothing for a bare value.
char* write_label(char* at, std::string_view name) {
    if (name.empty()) {
        return at;
    }
    *at++ = '|';
    std::memcpy(at, name.data(), name.size());
    at += name.size();
    *at++ = '=';
    return at;
}

// A field whose text is at most `value_room` characters after its label:
// one check of the room for both, then `write` fills in the value.
template <class Write>
text_stream& write_labelled(text_stream& out, const field& f, std::size_t value_room, Write write) {
    char* const at = out.reserve(f.name.size() + 2 + value_room);
    out.commit(write(write_label(at, f.name)));
    return out;
}

// A number, flag or timestamp field with its label.
template <value_kind Kind>
text_stream& write_number_field(text_stream& out, const field& f, byte_view container) {
    constexpr std::size_t room =
        Kind == value_kind::timestamp ? timestamp_value_room : integer_room;
    return write_labelled(out, f, room,
                          [&](char* at) { return write_number<Kind>(at, f, container); });
}

// One field as "|name=value", or its value alone when it has no name.
text_stream& write_field(text_stream& out, const field& f, byte_view container) {
    switch (f.kind.kind) {
        case value_kind::uint8:
        case value_kind::flag:
            return write_number_field<value_kind::uint8>(out, f, container);
        case value_kind::int8:
            return write_number_field<value_kind::int8>(out, f, container);
        case value_kind::uint16:
            return write_number_field<value_kind::uint16>(out, f, container);
        case value_kind::uint32:
            return write_number_field<value_kind::uint32>(out, f, container);
        case value_kind::uint64:
            return write_number_field<value_kind::uint64>(out, f, container);
        case value_kind::int64:
            return write_number_field<value_kind::int64>(out, f, container);
        case value_kind::timestamp:
            return write_number_field<value_kind::timestamp>(out, f, container);
        case value_kind::enumeration: {
            const enumeration_text value(*f.kind.names, load_enumeration(f, container));
            return write_labelled(out, f, value.room(), [&](char* at) { return value.write(at); });
        }
        default:  // text, blocks and lists write themselves
            out.commit(write_label(out.reserve(f.name.size() + 2), f.name));
            return write_value(out, f, container);
    }
}

}  // namespace

text_stream& write_value(text_stream& out, const field& f, byte_view container) {
    switch (f.kind.kind) {
        case value_kind::text: {
            const byte_view bytes = container.sub(f.offset, f.kind.width);
            return write_text(out, bytes.data(), bytes.size());
        }
        case value_kind::ztext: {
            const byte_view bytes = container.sub(f.offset, f.kind.width);
            return write_ztext(out, bytes.data(), bytes.size());
        }
        case value_kind::block:
            return write_fields(out, *f.kind.element, container.sub(f.offset, f.kind.width));
        case value_kind::list:
            write_elements(out, *f.kind.element, container.sub(f.offset, f.kind.width),
                           f.kind.count);
            return out;
        case value_kind::counted_list: {
            // The count as received; only the elements the room holds exist.
            const byte_view room = container.sub(f.offset, f.kind.width);
            const auto count = room.load<std::uint8_t>(0);
            out << "|count=" << count;
            write_elements(out, *f.kind.element, room.sub(1, room.size() - 1),
                           std::min<std::size_t>(count, f.kind.count));
            return out;
        }
        case value_kind::enumeration:
            return write_enum(out, *f.kind.names, load_enumeration(f, container));
        default:
            out.commit(write_scalar(out.reserve(scalar_room(f.kind)), f, container));
            return out;
    }
}

text_stream& write_fields(text_stream& out, const layout& of, byte_view bytes) {
    for (const field& f : of.fields) {
        write_field(out, f, bytes);
    }
    return out;
}

text_stream& write_header(text_stream& out, byte_view header) {
    if (header.holds(header_layout.size)) {
        constexpr std::size_t room = header_text_room();
        out.commit(write_header_fields(out.reserve(room), header,
                                       std::make_index_sequence<std::size(header_fields)>()));
        return out;
    }
    for (const field& f : header_layout.fields) {
        // A view shorter than the header shows the whole fields it holds, no more.
        if (!header.holds(f.offset + f.kind.width)) {
            break;
        }
        out << f.name << '=';
        write_value(out, f, header);
        out << '|';
    }
    return out;
}

text_stream& write_header(text_stream& out, const Header& header) {
    return write_header(out, byte_view(reinterpret_cast<const char*>(&header), sizeof header));
}

bool write_message(text_stream& out, const layout& of, byte_view message) {
    if (!message.holds(of.size) || !message.holds(header_layout.size)) {
        return false;
    }
    write_header(out, message);
    write_fields(out, of, message);
    return true;
}

}  // namespace tarn::md
