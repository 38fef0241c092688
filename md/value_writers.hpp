#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "md/enum_to_description.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// An enumerated value as it prints, "value(description)", the description
// from the value's table or, when the table has none, the value's own decimal
// text: the one place that renders one. The description is looked up once,
// so the room made for the text is exactly what it needs.
class enumeration_text {
  public:
    enumeration_text(const enum_table& table, std::int32_t value)
        : value_(value), description_(enum_to_description::instance().describe(table, value)) {}

    std::size_t room() const noexcept { return integer_room + 2 + description_.size(); }

    // Writes the text at `at`, which has room() characters; returns the end.
    char* write(char* at) const {
        at = write_integer(at, value_);
        *at++ = '(';
        std::memcpy(at, description_.data(), description_.size());
        at += description_.size();
        *at++ = ')';
        return at;
    }

  private:
    std::int32_t value_;
    std::string_view description_;
};

text_stream& write_enum(text_stream& out, const enum_table& table, std::int32_t value);

template <described_enum E>
text_stream& write_enum(text_stream& out, E value) {
    return write_enum(out, names_of(value),
                      static_cast<std::int32_t>(static_cast<std::underlying_type_t<E>>(value)));
}

// The UTC calendar form "YYYY-MM-DDTHH:MM:SS.nnnnnnnnn" of a time given as
// whole seconds and nanoseconds since 1970-01-01T00:00:00 UTC.
text_stream& write_timestamp(text_stream& out, std::uint64_t seconds, std::uint32_t nanoseconds);

// A timestamp field, the raw nanosecond count, then its calendar form in
// parentheses, at `at`, which has room for timestamp_value_room characters;
// returns the end.
char* write_timestamp_value(char* at, std::uint64_t nanoseconds_since_epoch);

// The calendar form: a year of up to 11 characters, "-MM-DDTHH:MM:SS" and
// ".nnnnnnnnn". With the raw count and the parentheses, a timestamp field.
inline constexpr std::size_t calendar_room = 11 + 15 + 10;
inline constexpr std::size_t timestamp_value_room = integer_room + 1 + calendar_room + 1;

// The calendar form of a time at `at`, which has room for calendar_room
// characters; returns the end.
char* write_calendar(char* at, std::uint64_t seconds, std::uint32_t nanoseconds);

// The same for a time given as nanoseconds since the epoch.
char* write_calendar(char* at, std::uint64_t nanoseconds_since_epoch);

// A text(N) field: every byte, 0x20 to 0x80 as itself and any other as ".".
text_stream& write_text(text_stream& out, const char* bytes, std::size_t size);

// A ztext(N) field: the bytes up to the first zero byte, at most `size`. The
// control bytes 0x01 to 0x1F print as ".", so a name cannot break a log line
// or drive a terminal; every other byte, UTF-8 included, stays as it is.
text_stream& write_ztext(text_stream& out, const char* bytes, std::size_t size);

}  // namespace tarn::md
