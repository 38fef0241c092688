#include "md/value_writers.hpp"

#include <array>
#include <charconv>
#include <cstring>
#include <ctime>
#include <limits>

#include "md/digit_pairs.hpp"

namespace tarn::md {

namespace {

constexpr std::uint64_t nanoseconds_per_second = 1'000'000'000;
constexpr std::uint64_t seconds_per_day = 86'400;

// Writes the last nine digits of `value`, with leading zeros.
void write_nine_digits(char* at, std::uint32_t value) {
    value %= 1'000'000'000;
    at[0] = static_cast<char>('0' + value / 100'000'000);
    value %= 100'000'000;
    write_two_digits(at + 1, value / 1'000'000);
    write_two_digits(at + 3, value / 10'000 % 100);
    write_two_digits(at + 5, value / 100 % 100);
    write_two_digits(at + 7, value % 100);
}

// The text "YYYY-MM-DDTHH:MM:SS" of the last second rendered. Consecutive
// messages almost always share their second, and always their day, so the
// calendar is consulted once a day and the time of day written once a second.
struct calendar_second {
    std::uint64_t second = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t day = std::numeric_limits<std::uint64_t>::max();
    std::size_t date_size = 0;                    // 0 when the calendar cannot express the day
    std::array<char, calendar_room - 10> text{};  // all but ".nnnnnnnnn"
    std::size_t size = 0;

    void render(std::uint64_t wanted_second) {
        second = wanted_second;
        const std::uint64_t wanted_day = wanted_second / seconds_per_day;
        if (day != wanted_day) {
            render_date(wanted_day);
        }
        const auto of_day = static_cast<std::uint32_t>(wanted_second % seconds_per_day);
        char* const at = text.data() + date_size;  // "THH:MM:SS"
        at[0] = 'T';
        write_two_digits(at + 1, of_day / 3600);
        at[3] = ':';
        write_two_digits(at + 4, of_day / 60 % 60);
        at[6] = ':';
        write_two_digits(at + 7, of_day % 60);
        size = date_size + 9;
    }

  private:
    // "YYYY-MM-DD" at the start of the text.
    void render_date(std::uint64_t wanted_day) {
        day = wanted_day;
        const auto seconds = static_cast<std::time_t>(wanted_day * seconds_per_day);
        std::tm calendar{};
        if (gmtime_r(&seconds, &calendar) == nullptr) {
            date_size = 0;
            return;
        }
        const long long year = 1900LL + calendar.tm_year;
        auto [end, error] = std::to_chars(text.data(), text.data() + 20, year);
        static_cast<void>(error);
        *end++ = '-';
        write_two_digits(end, static_cast<std::uint32_t>(calendar.tm_mon + 1));
        end[2] = '-';
        write_two_digits(end + 3, static_cast<std::uint32_t>(calendar.tm_mday));
        date_size = static_cast<std::size_t>(end + 5 - text.data());
    }
};

calendar_second& cached_second() {
    static calendar_second second;
    return second;
}

// Byte classes of the text writers: true where a byte prints as ".".
constexpr std::array<bool, 256> make_text_substitutions() {
    std::array<bool, 256> substituted{};
    for (std::size_t byte = 0; byte < substituted.size(); ++byte) {
        substituted[byte] = byte < 0x20 || byte > 0x80;
    }
    return substituted;
}
constexpr auto text_substitutions = make_text_substitutions();

}  // namespace

text_stream& write_enum(text_stream& out, const enum_table& table, std::int32_t value) {
    const enumeration_text text(table, value);
    out.commit(text.write(out.reserve(text.room())));
    return out;
}

char* write_calendar(char* at, std::uint64_t seconds, std::uint32_t nanoseconds) {
    auto& second = cached_second();
    if (second.second != seconds) {
        second.render(seconds);
    }
    std::memcpy(at, second.text.data(), second.size);
    at += second.size;
    *at++ = '.';
    write_nine_digits(at, nanoseconds);
    return at + 9;
}

char* write_calendar(char* at, std::uint64_t nanoseconds_since_epoch) {
    return write_calendar(
        at, nanoseconds_since_epoch / nanoseconds_per_second,
        static_cast<std::uint32_t>(nanoseconds_since_epoch % nanoseconds_per_second));
}

text_stream& write_timestamp(text_stream& out, std::uint64_t seconds, std::uint32_t nanoseconds) {
    out.commit(write_calendar(out.reserve(calendar_room), seconds, nanoseconds));
    return out;
}

char* write_timestamp_value(char* at, std::uint64_t nanoseconds_since_epoch) {
    at = write_decimal(at, nanoseconds_since_epoch);
    *at++ = '(';
    at = write_calendar(at, nanoseconds_since_epoch);
    *at++ = ')';
    return at;
}

text_stream& write_text(text_stream& out, const char* bytes, std::size_t size) {
    char* at = out.extend(size);
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        at[i] = text_substitutions[byte] ? '.' : bytes[i];
    }
    return out;
}

text_stream& write_ztext(text_stream& out, const char* bytes, std::size_t size) {
    const void* zero = std::memchr(bytes, 0, size);
    const std::size_t length =
        zero == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(zero) - bytes);
    char* at = out.extend(length);
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        at[i] = byte < 0x20 ? '.' : bytes[i];
    }
    return out;
}

}  // namespace tarn::md
