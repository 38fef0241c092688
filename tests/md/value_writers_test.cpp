#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "md/layout_printer.hpp"
#include "md/message_builder.hpp"
#include "md/product_identification.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {
namespace {

std::string timestamp_text(std::uint64_t nanoseconds) {
    text_stream out;
    write_timestamp_value(out, nanoseconds);
    return std::string(out.view());
}

std::string text_of(std::string_view bytes) {
    text_stream out;
    write_text(out, bytes.data(), bytes.size());
    return std::string(out.view());
}

std::string ztext_of(std::string_view bytes) {
    text_stream out;
    write_ztext(out, bytes.data(), bytes.size());
    return std::string(out.view());
}

// The fields of a small made-up block, one of each number kind.
constexpr field number_fields[] = {
    {0, "u8", uint8},   {1, "i8", int8},    {2, "u16", uint16}, {4, "u32", uint32},
    {8, "u64", uint64}, {16, "i64", int64}, {24, "f", flag},
};
constexpr layout numbers{25, number_fields};
static_assert(is_contiguous(numbers, 0));

std::string fields_text(const layout& of, const message_builder& bytes) {
    text_stream out;
    write_fields(out, of, byte_view(bytes.view().data(), of.size));
    return std::string(out.view());
}

TEST(ValueWriters, NumbersPrintInPlainDecimal) {
    message_builder bytes(MsgType{0}, numbers.size);
    bytes.put<std::uint8_t>(0, 65)
        .put<std::int8_t>(1, -128)
        .put<std::uint16_t>(2, 65535)
        .put<std::uint32_t>(4, 4000000000U)
        .put<std::uint64_t>(8, std::numeric_limits<std::uint64_t>::max())
        .put<std::int64_t>(16, -1)
        .put<std::uint8_t>(24, 1);
    EXPECT_EQ(fields_text(numbers, bytes),
              "|u8=65|i8=-128|u16=65535|u32=4000000000|u64=18446744073709551615|i64=-1|f=1");
}

TEST(ValueWriters, ExtremeSignedValues) {
    message_builder bytes(MsgType{0}, numbers.size);
    bytes.put<std::uint8_t>(0, 0).put<std::int8_t>(1, 127).put<std::int64_t>(
        16, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(fields_text(numbers, bytes),
              "|u8=0|i8=127|u16=0|u32=0|u64=0|i64=-9223372036854775808|f=0");
}

TEST(ValueWriters, FlagOtherThanZeroOrOnePrintsItsValue) {
    message_builder bytes(MsgType{0}, numbers.size);
    bytes.put<std::uint8_t>(24, 200);
    EXPECT_NE(fields_text(numbers, bytes).find("|f=200"), std::string::npos);
}

TEST(ValueWriters, TimestampsInCalendarForm) {
    EXPECT_EQ(timestamp_text(0), "0(1970-01-01T00:00:00.000000000)");
    EXPECT_EQ(timestamp_text(999999999), "999999999(1970-01-01T00:00:00.999999999)");
    EXPECT_EQ(timestamp_text(1700000000123456789ULL),
              "1700000000123456789(2023-11-14T22:13:20.123456789)");
    EXPECT_EQ(timestamp_text(std::numeric_limits<std::uint64_t>::max()),
              "18446744073709551615(2554-07-21T23:34:33.709551615)");
}

TEST(ValueWriters, TimestampsAcrossDaysAndBackAgain) {
    // The date is cached per day: alternating days must not mix up.
    EXPECT_EQ(timestamp_text(86399000000001ULL), "86399000000001(1970-01-01T23:59:59.000000001)");
    EXPECT_EQ(timestamp_text(86400000000000ULL), "86400000000000(1970-01-02T00:00:00.000000000)");
    EXPECT_EQ(timestamp_text(951782400000000000ULL),
              "951782400000000000(2000-02-29T00:00:00.000000000)");
    EXPECT_EQ(timestamp_text(86399000000001ULL), "86399000000001(1970-01-01T23:59:59.000000001)");
}

TEST(ValueWriters, NanosecondPaddingLeavesNoStateBehind) {
    text_stream out;
    write_timestamp_value(out, 5);
    out << '|' << 7 << '|' << std::uint8_t{3};
    EXPECT_EQ(out.view(), "5(1970-01-01T00:00:00.000000005)|7|3");
}

TEST(ValueWriters, TextSubstitutesBytesOutsideThePrintableRange) {
    EXPECT_EQ(text_of(std::string_view("AB\0\0", 4)), "AB..");
    EXPECT_EQ(text_of("    "), "    ");
    EXPECT_EQ(text_of("\x1F\x20\x7E\x7F\x80\x81\xFF"), ". ~\x7F\x80..");
    EXPECT_EQ(text_of("A\x7F\x80\x81"), "A\x7F\x80.");
    EXPECT_EQ(text_of(std::string_view("\n\r\x1B[", 4)), "...[");
}

TEST(ValueWriters, ZtextStopsAtTheFirstZeroByte) {
    EXPECT_EQ(ztext_of(std::string_view("Main\0junk", 9)), "Main");
    EXPECT_EQ(ztext_of(std::string_view("\0Main", 5)), "");
    EXPECT_EQ(ztext_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    EXPECT_EQ(ztext_of(std::string_view("ABCDE", 3)), "ABC");
}

TEST(ValueWriters, ZtextCannotBreakALogLine) {
    // A forged record or a terminal escape in a name shows as dots; other
    // bytes, UTF-8 included, stay as they are.
    EXPECT_EQ(ztext_of("Main\n2024-01-01 00:00:00.000000000 [E] forged"),
              "Main.2024-01-01 00:00:00.000000000 [E] forged");
    EXPECT_EQ(ztext_of("\x1B[2J\r\t\x01"), ".[2J...");
    EXPECT_EQ(ztext_of("Z\xC3\xBCrich \x7F"), "Z\xC3\xBCrich \x7F");
}

TEST(ValueWriters, ProductIdentificationBlock) {
    message_builder bytes(MsgType{0}, product_identification.size);
    bytes.text(0, "XX0000000001", 30).put<std::uint8_t>(30, 2);
    text_stream out;
    out << "publicProductIdentification=";
    write_product_identification(out, byte_view(bytes.view().data(), bytes.view().size()));
    EXPECT_EQ(out.view(),
              "publicProductIdentification=|productIdentification=XX0000000001.................."
              "|productIdentificationType=2(ISIN)");
}

// Lists: a fixed list of bare values, a fixed list of blocks and a counted list.
constexpr field pair_fields[] = {{0, "a", uint8}, {1, "b", int8}};
constexpr layout pair{2, pair_fields};
constexpr field bare_flag_fields[] = {{0, "", flag}};
constexpr layout bare_flag{1, bare_flag_fields};
constexpr field list_fields[] = {
    {0, "flags", list(bare_flag, 3)},
    {3, "pairs", list(pair, 2)},
    {7, "counted", counted_list(pair, 2)},
    {12, "after", uint8},
};
constexpr layout lists{13, list_fields};
static_assert(is_contiguous(lists, 0));

TEST(ValueWriters, Lists) {
    message_builder bytes(MsgType{0}, lists.size);
    bytes.put<std::uint8_t>(0, 1).put<std::uint8_t>(2, 1);
    bytes.put<std::uint8_t>(3, 1).put<std::int8_t>(4, -2).put<std::uint8_t>(5, 3).put<std::int8_t>(
        6, 4);
    bytes.put<std::uint8_t>(7, 1).put<std::uint8_t>(8, 5).put<std::int8_t>(9, -6);
    bytes.put<std::uint8_t>(12, 9);
    EXPECT_EQ(fields_text(lists, bytes),
              "|flags=[1,0,1]|pairs=[|a=1|b=-2,|a=3|b=4]|counted=|count=1[|a=5|b=-6]|after=9");
}

TEST(ValueWriters, CountedListEmptyFullAndOverCapacity) {
    message_builder bytes(MsgType{0}, lists.size);
    bytes.put<std::uint8_t>(8, 5).put<std::uint8_t>(10, 7).put<std::uint8_t>(12, 9);
    EXPECT_NE(fields_text(lists, bytes).find("|counted=|count=0[]|after=9"), std::string::npos);
    bytes.put<std::uint8_t>(7, 2);
    EXPECT_NE(fields_text(lists, bytes).find("|counted=|count=2[|a=5|b=0,|a=7|b=0]|after=9"),
              std::string::npos);
    // More than the room holds: the count as received, then the elements
    // that exist, and nothing read past the list.
    bytes.put<std::uint8_t>(7, 255);
    EXPECT_NE(fields_text(lists, bytes).find("|counted=|count=255[|a=5|b=0,|a=7|b=0]|after=9"),
              std::string::npos);
}

// Every integer type against the standard library's own conversion: zero,
// both ends of the range and both sides of every power of ten, where a digit
// more or less is needed.
template <class T>
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
        std::string expected(1, '<');
        expected.append(digits, end).push_back('>');
        text_stream out;
        out << '<' << value << '>';
        EXPECT_EQ(out.view(), expected) << +value;
    }
}

TEST(ValueWriters, IntegersOfEveryWidthAtEveryDigitCount) {
    expect_integers_as_the_standard_prints_them<std::uint8_t>();
    expect_integers_as_the_standard_prints_them<std::int8_t>();
    expect_integers_as_the_standard_prints_them<std::uint16_t>();
    expect_integers_as_the_standard_prints_them<std::int16_t>();
    expect_integers_as_the_standard_prints_them<std::uint32_t>();
    expect_integers_as_the_standard_prints_them<std::int32_t>();
    expect_integers_as_the_standard_prints_them<std::uint64_t>();
    expect_integers_as_the_standard_prints_them<std::int64_t>();
}

TEST(ValueWriters, TimestampsWithinADayAndBackAgain) {
    // The time of day is cached per second: seconds of one day must not mix up.
    EXPECT_EQ(timestamp_text(1700000000123456789ULL),
              "1700000000123456789(2023-11-14T22:13:20.123456789)");
    EXPECT_EQ(timestamp_text(1700000001000000000ULL),
              "1700000001000000000(2023-11-14T22:13:21.000000000)");
    EXPECT_EQ(timestamp_text(1700000000000000001ULL),
              "1700000000000000001(2023-11-14T22:13:20.000000001)");
    EXPECT_EQ(timestamp_text(1699999200000000000ULL),
              "1699999200000000000(2023-11-14T22:00:00.000000000)");
}

TEST(ValueWriters, TextLongerThanTheStreamsFirstBufferKeepsEveryCharacter) {
    text_stream out;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        out << "|n=" << i;
        expected.append("|n=").append(std::to_string(i));
    }
    write_timestamp_value(out, 5);
    expected += "5(1970-01-01T00:00:00.000000005)";
    EXPECT_EQ(out.view(), expected);
}

}  // namespace
}  // namespace tarn::md
