#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace tarn::md {

// Writes `value` in decimal at `at` and returns the end. Eight digits at a
// time, two by two from a table, so a 19-digit timestamp costs two divisions
// instead of nineteen.
char* write_decimal(char* at, std::uint64_t value) noexcept;

// The most characters an integer prints as: 20 digits and a sign.
inline constexpr std::size_t integer_room = 21;

// Any integer but plain char and bool in decimal, as a text stream in the
// classic locale prints it: a minus sign before a negative value.
template <std::integral T>
requires(!std::same_as<T, char> && !std::same_as<T, bool>) char* write_integer(char* at, T value) {
    if constexpr (std::is_signed_v<T>) {
        // An int8 is a number here, never a character.
        const std::int64_t wide = value;  // NOLINT(bugprone-signed-char-misuse,cert-str34-c)
        if (wide < 0) {
            *at++ = '-';
            // Negated as unsigned, which is also right for the lowest value.
            return write_decimal(at, 0 - static_cast<std::uint64_t>(wide));
        }
        return write_decimal(at, static_cast<std::uint64_t>(wide));
    } else {
        return write_decimal(at, value);
    }
}

// The writer in which headers and messages become record text. It behaves
// like a text stream in the classic locale with default flags (numbers in
// plain decimal, one-byte integers as numbers), but writes straight into one
// buffer that only ever grows, so rendering a message allocates nothing once
// the buffer has reached the size of the longest message text.
//
// Writers that know how long their text can be make room once with reserve()
// and commit() what they wrote, so a field costs one check of the room.
class text_stream {
  public:
    text_stream() : buffer_(initial_capacity, '\0') {}

    void clear() noexcept { size_ = 0; }
    std::string_view view() const noexcept { return {buffer_.data(), size_}; }

    text_stream& operator<<(std::string_view text) {
        append(text.data(), text.size());
        return *this;
    }
    text_stream& operator<<(const char* text) { return *this << std::string_view(text); }
    text_stream& operator<<(char c) {
        *extend(1) = c;
        return *this;
    }
    // Every integer type but plain char prints as a decimal number, so a
    // uint8 field holding 65 prints "65", not "A".
    template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>) text_stream& operator<<(T value) {
        commit(write_integer(reserve(integer_room), value));
        return *this;
    }

    // Appends `count` bytes; used by the text writers.
    void append(const char* bytes, std::size_t count) {
        if (count != 0) {
            std::memcpy(extend(count), bytes, count);
        }
    }

    // Grows the text by `count` characters and returns where they start, for
    // writers that fill a run of characters in place.
    char* extend(std::size_t count) {
        char* const at = reserve(count);
        size_ += count;
        return at;
    }

    // Where the next characters go, with room for at least `count` of them.
    // The text only grows when commit() is given the end of what was written.
    char* reserve(std::size_t count) {
        if (buffer_.size() - size_ < count) {
            grow(count);
        }
        return buffer_.data() + size_;
    }
    void commit(const char* end) noexcept {
        size_ = static_cast<std::size_t>(end - buffer_.data());
    }

  private:
    void grow(std::size_t count);

    static constexpr std::size_t initial_capacity = std::size_t{16} * 1024;
    std::string buffer_;  // all of it usable; the text is its first size_ characters
    std::size_t size_ = 0;
};

// The process-wide stream in which all header and message text is rendered.
// Callers clear it before each rendering.
text_stream& message_text();

}  // namespace tarn::md
