#include "md/layout_printer.hpp"

#include <algorithm>
#include <cstdint>

#include "md/header.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

namespace {

std::int32_t load_enumeration(const field& f, byte_view container) {
    if (f.kind.width == 2) {
        return container.load<std::uint16_t>(f.offset);
    }
    if (f.kind.names->is_signed) {
        return container.load<std::int8_t>(f.offset);
    }
    return container.load<std::uint8_t>(f.offset);
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

}  // namespace

text_stream& write_value(text_stream& out, const field& f, byte_view container) {
    switch (f.kind.kind) {
        case value_kind::uint8:
        case value_kind::flag:  // a flag byte other than 0 and 1 prints as its number
            return out << container.load<std::uint8_t>(f.offset);
        case value_kind::int8:
            return out << container.load<std::int8_t>(f.offset);
        case value_kind::uint16:
            return out << container.load<std::uint16_t>(f.offset);
        case value_kind::uint32:
            return out << container.load<std::uint32_t>(f.offset);
        case value_kind::uint64:
            return out << container.load<std::uint64_t>(f.offset);
        case value_kind::int64:
            return out << container.load<std::int64_t>(f.offset);
        case value_kind::enumeration:
            return write_enum(out, *f.kind.names, load_enumeration(f, container));
        case value_kind::timestamp:
            return write_timestamp_value(out, container.load<std::uint64_t>(f.offset));
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
    }
    return out;
}

text_stream& write_fields(text_stream& out, const layout& of, byte_view bytes) {
    for (const field& f : of.fields) {
        if (!f.name.empty()) {
            out << '|' << f.name << '=';
        }
        write_value(out, f, bytes);
    }
    return out;
}

text_stream& write_header(text_stream& out, byte_view header) {
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
