#pragma once

#include <charconv>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarn::md {

// The writer in which headers and messages become record text. It behaves
// like a text stream in the classic locale with default flags (numbers in
// plain decimal, one-byte integers as numbers), but writes straight into one
// buffer that keeps its capacity, so rendering a message allocates nothing.
class text_stream {
  public:
    text_stream() { text_.reserve(initial_capacity); }

    void clear() noexcept { text_.clear(); }
    std::string_view view() const noexcept { return text_; }

    text_stream& operator<<(std::string_view text) {
        text_.append(text);
        return *this;
    }
    text_stream& operator<<(const char* text) { return *this << std::string_view(text); }
    text_stream& operator<<(char c) {
        text_.push_back(c);
        return *this;
    }
    // Every integer type but plain char prints as a decimal number, so a
    // uint8 field holding 65 prints "65", not "A".
    template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>) text_stream& operator<<(T value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        text_.append(digits, result.ptr);
        return *this;
    }

    // Appends `count` bytes; used by the text writers.
    void append(const char* bytes, std::size_t count) { text_.append(bytes, count); }

    // Grows the text by `count` characters and returns where they start, for
    // writers that fill a run of characters in place.
    char* extend(std::size_t count) {
        const std::size_t start = text_.size();
        text_.resize(start + count);
        return text_.data() + start;
    }

  private:
    static constexpr std::size_t initial_capacity = std::size_t{16} * 1024;
    std::string text_;
};

// The process-wide stream in which all header and message text is rendered.
// Callers clear it before each rendering.
text_stream& message_text();

}  // namespace tarn::md
