#include "md/json_string.hpp"

#include <array>
#include <cstdint>
#include <cstring>

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

}  // namespace tarn::md
