#include "md/value_writers.hpp"

#include <array>
#include <cstring>
#include <ctime>
#include <limits>

namespace tarn::md {

namespace {

constexpr std::uint64_t nanoseconds_per_second = 1'000'000'000;
constexpr std::uint64_t seconds_per_day = 86'400;

// Writes `value` as exactly `width` decimal digits with leading zeros.
void write_padded(char* at, std::uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// The date part "YYYY-MM-DD" of the last day rendered. Consecutive messages
// almost always share their day, so the calendar is consulted once a day.
struct calendar_day {
    std::uint64_t day = std::numeric_limits<std::uint64_t>::max();
    std::array<char, 32> text{};
    std::size_t size = 0;

    void render(std::uint64_t wanted_day) {
        day = wanted_day;
        const auto seconds = static_cast<std::time_t>(wanted_day * seconds_per_day);
        std::tm calendar{};
        if (gmtime_r(&seconds, &calendar) == nullptr) {
            size = 0;
            return;
        }
        const long long year = 1900LL + calendar.tm_year;
        auto [end, error] = std::to_chars(text.data(), text.data() + 20, year);
        static_cast<void>(error);
        *end++ = '-';
        write_padded(end, static_cast<std::uint32_t>(calendar.tm_mon + 1), 2);
        end[2] = '-';
        write_padded(end + 3, static_cast<std::uint32_t>(calendar.tm_mday), 2);
        size = static_cast<std::size_t>(end + 5 - text.data());
    }
};

calendar_day& cached_day() {
    static calendar_day day;
    return day;
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
    out << value << '(' << enum_to_description::instance().describe(table, value) << ')';
    return out;
}

text_stream& write_timestamp(text_stream& out, std::uint64_t seconds, std::uint32_t nanoseconds) {
    auto& day = cached_day();
    const std::uint64_t wanted_day = seconds / seconds_per_day;
    if (day.day != wanted_day) {
        day.render(wanted_day);
    }
    out.append(day.text.data(), day.size);
    const auto of_day = static_cast<std::uint32_t>(seconds % seconds_per_day);
    // "THH:MM:SS.nnnnnnnnn"
    char* at = out.extend(19);
    at[0] = 'T';
    write_padded(at + 1, of_day / 3600, 2);
    at[3] = ':';
    write_padded(at + 4, of_day / 60 % 60, 2);
    at[6] = ':';
    write_padded(at + 7, of_day % 60, 2);
    at[9] = '.';
    write_padded(at + 10, nanoseconds, 9);
    return out;
}

text_stream& write_timestamp_value(text_stream& out, std::uint64_t nanoseconds_since_epoch) {
    out << nanoseconds_since_epoch << '(';
    write_timestamp(out, nanoseconds_since_epoch / nanoseconds_per_second,
                    static_cast<std::uint32_t>(nanoseconds_since_epoch % nanoseconds_per_second));
    return out << ')';
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
