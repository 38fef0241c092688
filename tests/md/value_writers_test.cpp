#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "md/layout_printer.hpp"
#include "md/product_identification.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {
namespace {

// A made-up block: the one kind no message has, and a counted list. A count
// above the room prints as received, then the elements that exist, and
// nothing is read past the list.
constexpr field pair_fields[] = {{0, "a", uint8}, {1, "b", int8}};
constexpr layout pair{2, pair_fields};
constexpr field block_fields[] = {
    {0, "i8", int8}, {1, "counted", counted_list(pair, 2)}, {6, "after", uint8}};
constexpr layout block{7, block_fields};
static_assert(is_contiguous(block, 0));

TEST(ValueWriters, SignedByteAndCountedList) {
    using namespace std::string_literals;
    for (const auto& [bytes, text] : std::vector<std::pair<std::string, std::string>>{
             {"\x80\x01\x05\xfa\x07\x00\x09"s, "|i8=-128|counted=|count=1[|a=5|b=-6]|after=9"},
             {"\x7f\x00\x05\xfa\x07\x00\x09"s, "|i8=127|counted=|count=0[]|after=9"},
             {"\xff\x02\x05\xfa\x07\x00\x09"s,
              "|i8=-1|counted=|count=2[|a=5|b=-6,|a=7|b=0]|after=9"},
             {"\x00\xff\x05\xfa\x07\x00\x09"s,
              "|i8=0|counted=|count=255[|a=5|b=-6,|a=7|b=0]|after=9"}}) {
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
        write_timestamp_value(out, ns) << ' ';
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
// its first zero byte, so a forged record or a terminal escape in a name
// shows as dots while UTF-8 stays as it is.
TEST(ValueWriters, TextAndZeroTerminatedText) {
    const auto text_of = [](std::string_view bytes, bool zero_terminated) {
        text_stream out;
        (zero_terminated ? write_ztext : write_text)(out, bytes.data(), bytes.size());
        return std::string(out.view());
    };
    EXPECT_EQ(text_of(std::string_view("AB\0\0", 4), false), "AB..");
    EXPECT_EQ(text_of("    ", false), "    ");
    EXPECT_EQ(text_of("\x1F\x20\x7E\x7F\x80\x81\xFF", false), ". ~\x7F\x80..");
    EXPECT_EQ(text_of(std::string_view("\n\r\x1B[", 4), false), "...[");
    EXPECT_EQ(text_of(std::string_view("Main\0junk", 9), true), "Main");
    EXPECT_EQ(text_of(std::string_view("\0Main", 5), true), "");
    EXPECT_EQ(text_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", true), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    EXPECT_EQ(text_of(std::string_view("ABCDE", 3), true), "ABC");
    EXPECT_EQ(text_of("Main\n2024-01-01 00:00:00.000000000 [E] forged", true),
              "Main.2024-01-01 00:00:00.000000000 [E] forged");
    EXPECT_EQ(text_of("\x1B[2J\r\t\x01 Z\xC3\xBCrich \x7F", true), ".[2J... Z\xC3\xBCrich \x7F");
}

TEST(ValueWriters, ProductIdentificationBlock) {
    std::string bytes = "XX0000000001";
    bytes.resize(30, '\0');
    bytes += '\2';
    text_stream out;
    write_product_identification(out, byte_view(bytes.data(), bytes.size()));
    EXPECT_EQ(out.view(),
              "|productIdentification=XX0000000001.................."
              "|productIdentificationType=2(ISIN)");
}

// Every integer type against the standard library's own conversion: zero,
// both ends of the range and both sides of every power of ten.
template <class T, class... Others>
void expect_integers_as_the_standard_prints_them() {
    std::vector<T> values = {T{0}, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()};
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
    if constexpr (sizeof...(Others) != 0) {
        expect_integers_as_the_standard_prints_them<Others...>();
    }
}

TEST(ValueWriters, IntegersOfEveryWidthAtEveryDigitCount) {
    expect_integers_as_the_standard_prints_them<std::uint8_t, std::int8_t, std::uint16_t,
                                                std::int16_t, std::uint32_t, std::int32_t,
                                                std::uint64_t, std::int64_t>();
}

TEST(ValueWriters, TextLongerThanTheStreamsFirstBufferKeepsEveryCharacter) {
    text_stream out;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        out << "|n=" << i;
        expected += "|n=" + std::to_string(i);
    }
    write_timestamp_value(out, 5);
    EXPECT_EQ(out.view(), expected + "5(1970-01-01T00:00:00.000000005)");
}

}  // namespace
}  // namespace tarn::md
