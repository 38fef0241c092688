#include "md/json_writer.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "md/enum_to_description.hpp"
#include "md/field_values.hpp"
#include "md/header.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

namespace {

// What a byte is to a JSON string: copied, escaped, or the first of a
// multi-byte character (or no character at all).
enum class byte_class : std::uint8_t { copied, escaped, non_ascii };

constexpr std::array<byte_class, 256> make_byte_classes() {
    std::array<byte_class, 256> classes{};
    for (std::size_t byte = 0; byte < classes.size(); ++byte) {
        if (byte < 0x20 || byte == '"' || byte == '\\' || byte == 0x7F) {
            classes[byte] = byte_class::escaped;
        } else if (byte >= 0x80) {
            classes[byte] = byte_class::non_ascii;
        }
    }
    return classes;
}
constexpr auto byte_classes = make_byte_classes();

// The most characters one byte becomes: "\uXXXX".
constexpr std::size_t escape_room = 6;

// The private-use characters that stand for bytes outside valid UTF-8.
constexpr char32_t first_byte_character = 0xF700;
constexpr char32_t lowest_byte_character = first_byte_character + 0x80;
constexpr char32_t highest_byte_character = first_byte_character + 0xFF;

// "\u" and four lowercase hexadecimal digits of `code` (below 0x10000).
char* write_escape(char* at, char32_t code) {
    constexpr std::string_view hex = "0123456789abcdef";
    *at++ = '\\';
    *at++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4) {
        *at++ = hex[(code >> static_cast<unsigned>(shift)) & 0xFU];
    }
    return at;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0U) == 0x80U; }

// The length of the well-formed UTF-8 character that `bytes` starts with,
// whose first byte is 0x80 or above, and the character; 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, a value above
// U+10FFFF, or a character cut short).
std::size_t utf8_character(const unsigned char* bytes, std::size_t size, char32_t& character) {
    const unsigned char lead = bytes[0];
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        character = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        character = lead & 0x0FU;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        character = lead & 0x07U;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (size < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!is_continuation(bytes[i])) {
            return 0;
        }
        character = (character << 6U) | (bytes[i] & 0x3FU);
    }
    return length;
}

// Writes the characters of `bytes` from its first byte at or above 0x80 that
// begins at `i`; returns the index after what it wrote.
std::size_t write_non_ascii(char*& at, const unsigned char* bytes, std::size_t size,
                            std::size_t i) {
    char32_t character = 0;
    const std::size_t length = utf8_character(bytes + i, size - i, character);
    if (length == 0 ||
        (character >= lowest_byte_character && character <= highest_byte_character)) {
        at = write_escape(at, first_byte_character + bytes[i]);
        return i + 1;
    }
    if (character <= 0x9F || character == 0x2028 || character == 0x2029) {
        at = write_escape(at, character);
    } else {
        std::memcpy(at, bytes + i, length);
        at += length;
    }
    return i + length;
}

text_stream& write_json_value(text_stream& out, const field& f, byte_view container);
void write_members(text_stream& out, const layout& of, byte_view bytes, bool first);

// ,"name": at `at`, which has room for the name and 4 characters; without
// the comma for the first member of an object.
char* write_member_name(char* at, std::string_view name, bool first) {
    if (!first) {
        *at++ = ',';
    }
    *at++ = '"';
    std::memcpy(at, name.data(), name.size());
    at += name.size();
    *at++ = '"';
    *at++ = ':';
    return at;
}

void write_object(text_stream& out, const layout& of, byte_view bytes) {
    out << '{';
    write_members(out, of, bytes, true);
    out << '}';
}

// A list element: the value itself when the element is one bare value.
void write_element(text_stream& out, const layout& element, byte_view bytes) {
    if (element.fields.size() == 1 && element.fields.front().name.empty()) {
        write_json_value(out, element.fields.front(), bytes);
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

template <value_kind Kind>
text_stream& write_json_number(text_stream& out, const field& f, byte_view container) {
    out.commit(write_number<Kind>(out.reserve(integer_room), f, container));
    return out;
}

// {"ns":N,"utc":"calendar form"}
text_stream& write_json_timestamp(text_stream& out, std::uint64_t nanoseconds_since_epoch) {
    constexpr std::string_view opening = R"({"ns":)";
    constexpr std::string_view middle = R"(,"utc":")";
    constexpr std::uint64_t nanoseconds_per_second = 1'000'000'000;
    char* at = out.reserve(opening.size() + integer_room + middle.size() + calendar_room + 2);
    at = std::copy(opening.begin(), opening.end(), at);
    at = write_decimal(at, nanoseconds_since_epoch);
    at = std::copy(middle.begin(), middle.end(), at);
    at = write_calendar(
        at, nanoseconds_since_epoch / nanoseconds_per_second,
        static_cast<std::uint32_t>(nanoseconds_since_epoch % nanoseconds_per_second));
    *at++ = '"';
    *at++ = '}';
    out.commit(at);
    return out;
}

// {"value":V,"name":"description"}, "name":null outside the table.
text_stream& write_json_enumeration(text_stream& out, const field& f, byte_view container) {
    const std::int32_t value = load_enumeration(f, container);
    const std::string_view name = enum_to_description::known_description(*f.kind.names, value);
    out << R"({"value":)" << value << R"(,"name":)";
    if (name.empty()) {
        out << "null";
    } else {
        write_json_string(out, name);
    }
    out << '}';
    return out;
}

text_stream& write_json_value(text_stream& out, const field& f, byte_view container) {
    switch (f.kind.kind) {
        case value_kind::uint8:
        case value_kind::flag:
            return write_json_number<value_kind::uint8>(out, f, container);
        case value_kind::int8:
            return write_json_number<value_kind::int8>(out, f, container);
        case value_kind::uint16:
            return write_json_number<value_kind::uint16>(out, f, container);
        case value_kind::uint32:
            return write_json_number<value_kind::uint32>(out, f, container);
        case value_kind::uint64:
            return write_json_number<value_kind::uint64>(out, f, container);
        case value_kind::int64:
            return write_json_number<value_kind::int64>(out, f, container);
        case value_kind::timestamp:
            return write_json_timestamp(out, container.load<std::uint64_t>(f.offset));
        case value_kind::enumeration:
            return write_json_enumeration(out, f, container);
        case value_kind::text: {
            const byte_view bytes = container.sub(f.offset, f.kind.width);
            const std::string_view all(bytes.data(), bytes.size());
            const std::size_t last = all.find_last_not_of('\0');
            return write_json_string(out,
                                     all.substr(0, last == std::string_view::npos ? 0 : last + 1));
        }
        case value_kind::ztext: {
            const byte_view bytes = container.sub(f.offset, f.kind.width);
            const std::string_view all(bytes.data(), bytes.size());
            return write_json_string(out, all.substr(0, all.find('\0')));
        }
        case value_kind::block:
            write_object(out, *f.kind.element, container.sub(f.offset, f.kind.width));
            return out;
        case value_kind::list:
            write_elements(out, *f.kind.element, container.sub(f.offset, f.kind.width),
                           f.kind.count);
            return out;
        case value_kind::counted_list: {
            const byte_view room = container.sub(f.offset, f.kind.width);
            const auto count = room.load<std::uint8_t>(0);
            out << R"({"count":)" << count << R"(,"elements":)";
            write_elements(out, *f.kind.element, room.sub(1, room.size() - 1),
                           std::min<std::size_t>(count, f.kind.count));
            out << '}';
            return out;
        }
    }
    return out;
}

void write_members(text_stream& out, const layout& of, byte_view bytes, bool first) {
    for (const field& f : of.fields) {
        out.commit(write_member_name(out.reserve(f.name.size() + 4), f.name, first));
        first = false;
        write_json_value(out, f, bytes);
    }
}

// The header's fields that lie wholly inside `header`, as members.
void write_header_members(text_stream& out, byte_view header, bool first) {
    for (const field& f : header_layout.fields) {
        if (!header.holds(f.offset + f.kind.width)) {
            break;
        }
        out.commit(write_member_name(out.reserve(f.name.size() + 4), f.name, first));
        first = false;
        write_json_value(out, f, header);
    }
}

}  // namespace

text_stream& write_json_string(text_stream& out, std::string_view bytes) {
    const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    char* at = out.reserve(2 + escape_room * size);
    *at++ = '"';
    for (std::size_t i = 0; i < size;) {
        const unsigned char byte = data[i];
        switch (byte_classes[byte]) {
            case byte_class::copied:
                *at++ = static_cast<char>(byte);
                ++i;
                break;
            case byte_class::escaped:
                if (byte == '"' || byte == '\\') {
                    *at++ = '\\';
                    *at++ = static_cast<char>(byte);
                } else {
                    at = write_escape(at, byte);
                }
                ++i;
                break;
            case byte_class::non_ascii:
                i = write_non_ascii(at, data, size, i);
                break;
        }
    }
    *at++ = '"';
    out.commit(at);
    return out;
}

text_stream& write_json_header(text_stream& out, byte_view header) {
    write_header_members(out, header, false);
    return out;
}

text_stream& write_json_header_object(text_stream& out, byte_view header) {
    out << '{';
    write_header_members(out, header, true);
    out << '}';
    return out;
}

text_stream& write_json_fields(text_stream& out, const layout& of, byte_view bytes) {
    write_members(out, of, bytes, false);
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
