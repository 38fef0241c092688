#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "md/enum_to_description.hpp"
#include "md/layout_printer.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {
namespace {

// A made-up block: the one kind no message has, and a counted list (the
// golden texts and the JSON sweep have counts up to and above the room).
constexpr field pair_fields[] = {{0, "a", uint8}, {1, "b", int8}};
constexpr layout pair{2, pair_fields};
constexpr field block_fields[] = {
    {0, "i8", int8}, {1, "counted", counted_list(pair, 2)}, {6, "after", uint8}};
constexpr layout block{7, block_fields};
static_assert(is_contiguous(block, 0));

TEST(ValueWriters, SignedByteAndCountedList) {
    for (const auto& [bytes, text] : std::vector<std::pair<std::string_view, std::string_view>>{
             {{"\x80\x01\x05\xfa\x07\x00\x09", 7}, "|i8=-128|counted=|count=1[|a=5|b=-6]|after=9"},
             {{"\x7f\x00\x05\xfa\x07\x00\x09", 7}, "|i8=127|counted=|count=0[]|after=9"}}) {
        text_stream out;
        write_fields(out, block, byte_view(bytes.data(), bytes.size()));
        EXPECT_EQ(out.view(), text);
    }
}

// In one stream, in this order: the date is cached per day and the time of
// day per second, so days and seconds alternate; after a timestamp the
// padding of its nanoseconds leaves no state behind.
TEST(ValueWriters, Timestamps) {
    text_stream out;
    for (const std::uint64_t ns :
         {0ULL, 999999999ULL, 86399000000001ULL, 86400000000000ULL, 951782400000000000ULL,
          86399000000001ULL, 1700000000123456789ULL, 1700000001000000000ULL, 1700000000000000001ULL,
          1699999200000000000ULL, 18446744073709551615ULL, 5ULL}) {
        out.commit(write_timestamp_value(out.reserve(timestamp_value_room), ns));
        out << ' ';
    }
    out << 7 << '|' << std::uint8_t{3};
    EXPECT_EQ(out.view(),
              "0(1970-01-01T00:00:00.000000000) 999999999(1970-01-01T00:00:00.999999999) "
              "86399000000001(1970-01-01T23:59:59.000000001) "
              "86400000000000(1970-01-02T00:00:00.000000000) "
              "951782400000000000(2000-02-29T00:00:00.000000000) "
              "86399000000001(1970-01-01T23:59:59.000000001) "
              "1700000000123456789(2023-11-14T22:13:20.123456789) "
              "1700000001000000000(2023-11-14T22:13:21.000000000) "
              "1700000000000000001(2023-11-14T22:13:20.000000001) "
              "1699999200000000000(2023-11-14T22:00:00.000000000) "
              "18446744073709551615(2554-07-21T23:34:33.709551615) "
              "5(1970-01-01T00:00:00.000000005) 7|3");
}

// Text substitutes bytes outside 0x20-0x80 with dots; ztext also stops at
// its first zero byte or at its width, so a terminal escape in a name shows
// as dots while UTF-8 stays as it is. The golden texts have the other cases.
TEST(ValueWriters, TextAndZeroTerminatedText) {
    const struct {
        std::string_view bytes;
        bool zero_terminated;
        std::string_view text;
    } cases[] = {
        {"\x1F\x20\x7E\x7F\x80\x81\xFF", false, ". ~\x7F\x80.."},
        {{"Main\0junk", 9}, true, "Main"},
        {{"\0Main", 5}, true, ""},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", true, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
        {{"ABCDE", 3}, true, "ABC"},
        {"\x1B[2J\r\t\x01 Z\xC3\xBCrich \x7F", true, ".[2J... Z\xC3\xBCrich \x7F"},
    };
    for (const auto& c : cases) {
        text_stream out;
        (c.zero_terminated ? write_ztext : write_text)(out, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(out.view(), c.text) << c.bytes;
    }
}

// Every integer type against the standard library's own conversion: zero,
// both ends of the range and both sides of every power of ten.
TEST(ValueWriters, IntegersOfEveryWidthAtEveryDigitCount) {
    const auto expect_as_the_standard_prints = []<class T>(T zero) {
        std::vector<T> values = {zero, std::numeric_limits<T>::min(),
                                 std::numeric_limits<T>::max()};
        for (std::uint64_t power = 1; power <= std::numeric_limits<T>::max() / 10; power *= 10) {
            for (const std::uint64_t near : {power * 10 - 1, power * 10, power * 10 + 1}) {
                values.push_back(static_cast<T>(near));
                if constexpr (std::numeric_limits<T>::is_signed) {
                    values.push_back(static_cast<T>(-static_cast<T>(near)));
                }
            }
        }
        for (const T value : values) {
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
            text_stream out;
            out << '<' << value << '>';
            EXPECT_EQ(out.view(), "<" + std::string(digits, end) + ">") << +value;
        }
    };
    std::apply([&](auto... zero) { (expect_as_the_standard_prints(zero), ...); },
               std::tuple<std::uint8_t, std::int8_t, std::uint16_t, std::int16_t, std::uint32_t,
                          std::int32_t, std::uint64_t, std::int64_t>{});
}

TEST(ValueWriters, TextLongerThanTheStreamsFirstBufferKeepsEveryCharacter) {
    text_stream out;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        out << "|n=" << i;
        expected += "|n=" + std::to_string(i);
    }
    write_timestamp(out, 0, 5);
    EXPECT_EQ(out.view(), expected + "1970-01-01T00:00:00.000000005");
}

// Described values print their names (the golden texts have more); others
// their number twice, each its own number even when several follow one
// another. Flags are looked up as a whole (two bits set have no name); the
// signed table compares signed bytes.
TEST(Enumerations, ValuesPrintTheirNameOrTheirNumber) {
    text_stream out;
    const auto write = [&out](const enum_table& table, std::initializer_list<std::int32_t> values) {
        for (const std::int32_t value : values) {
            write_enum(out, table, value) << ' ';
        }
    };
    write(currency_names, {8, 999, 0});
    write(country_names, {4, 894, 1});
    write(product_subtype_names, {1});
    write(msg_type_names, {8192, 2, 65535});
    write(real_time_index_presence_flags_names, {3});
    write(price_ytm_presence_names, {0});
    write(product_type_names, {8});
    write(side_names, {0, 7});
    write(trading_session_event_names, {10, 11});
    write(instrument_status_names, {7});
    write(index_params_presence_flags_names, {-128, 2});
    EXPECT_EQ(out.view(),
              "8(ALL) 999(XXX) 0(0) 4(AFG) 894(ZMB) 1(1) 1(Share) 8192(TestEvent) 2(2) "
              "65535(65535) 3(3) 0(None) 8(8) 0(0) 7(7) 10(10) 11(11) 7(7) -128(-128) "
              "2(HasNumberOfDividends) ");
    // By the enumeration's own type, signed or not.
    auto& names = enum_to_description::instance();
    EXPECT_EQ(names.describe(Currency{978}), "EUR");
    EXPECT_EQ(names.describe(IndexParamsPresenceFlags{-1}), "-1");
    EXPECT_EQ(names.describe(Side{9}), "9");
}

}  // namespace
}  // namespace tarn::md
