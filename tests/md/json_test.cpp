// The JSON of every printable type, read back by Python's json module: each
// message must parse, give back the exact bytes of every text field, and
// rebuild its text form byte for byte (tests/support/check_json.py). Values
// come from walking the layouts: typical ones, the highest and the lowest
// of every kind, and hostile text.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "md/json_writer.hpp"
#include "md/layout_walk.hpp"
#include "messages.hpp"
#include "process.hpp"

namespace tarn::md {
namespace {

// Quotes, controls, DEL, C1, UTF-8, bytes outside UTF-8 and the UTF-8 of a
// character that stands for such a byte.
constexpr std::string_view hostile =
    "\"\\\x01\n\x1f\x7f\x80\xc2\x85\xc3\xa9 \xef\x9e\x80\xff\xe2\x80\xa8\xf0\x9f\x98\x80\xe0\x80";

enum class fill { typical, highest, lowest };

constexpr field count_field{0, "count", uint8};

// Calls visit(field, offset) for every value the walk visits in a message,
// and for a counted list for its count (count_field) before the walk reads it.
template <class Visit>
struct value_visitor : layout_visitor {
    const char* base;
    Visit& visit;
    template <value_kind Kind>
    bool value(const field& f, byte_view container) {
        visit(f, static_cast<std::size_t>(container.data() - base) + f.offset);
        return true;
    }
    void open_counted_list(const field& /*list*/, byte_view room) {
        visit(count_field, static_cast<std::size_t>(room.data() - base));
    }
};

template <class Visit>
void for_each_value(const layout& of, const message_builder& message, Visit& visit) {
    value_visitor<Visit> walker{{}, message.bytes().data(), visit};
    walk_fields(walker, of, testing::view_of(message));
}

bool is_signed(const field& f) {
    return f.kind.kind == value_kind::int8 || f.kind.kind == value_kind::int64 ||
           (f.kind.kind == value_kind::enumeration && f.kind.names->is_signed);
}

bool is_text(const field& f) {
    return f.kind.kind == value_kind::text || f.kind.kind == value_kind::ztext;
}

// The value `style` gives field `f` at `at`, little-endian in its width.
void set_value(message_builder& m, const field& f, std::size_t at, fill style) {
    const std::size_t width = f.kind.width;
    if (is_text(f)) {
        const std::string highest(width, '\xff');
        const std::string_view by_style[] = {f.name, highest, hostile};
        m.text(at, by_style[static_cast<int>(style)], width);
        return;
    }
    const std::uint64_t sign = std::uint64_t{1} << (8 * width - 1);
    std::uint64_t value = 0;
    if (&f == &count_field) {
        value = style == fill::typical ? 2 : style == fill::lowest ? 3 : 255;
    } else if (style == fill::highest) {
        value = is_signed(f) ? sign - 1 : ~std::uint64_t{0};
    } else if (style == fill::lowest) {
        value = is_signed(f) ? sign : 0;
    } else if (f.kind.kind == value_kind::enumeration) {
        value = static_cast<std::uint64_t>(
            f.kind.names->entries[at % f.kind.names->entries.size()].value);
    } else {
        value =
            f.kind.kind == value_kind::timestamp ? 1'700'000'000'123'456'789ULL + at : at * 1001;
    }
    m.text(at, std::string_view(reinterpret_cast<const char*>(&value), width), width);
}

// A message of the type filled in `style`, and its text fields in walk order
// as check_json.py reads them: "t30:<hex> z50:<hex>", or "-" when none.
std::pair<message_builder, std::string> filled(const catalogue_entry& entry, fill style) {
    message_builder m(entry.type, *entry.body);
    std::string leaves;
    auto set = [&](const field& f, std::size_t at) {
        if (at >= msg_type_offset + sizeof(MsgType)) {  // length and type stay
            set_value(m, f, at, style);
        }
        if (is_text(f)) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(m.bytes().data() + at);
            leaves +=
                spdlog::fmt_lib::format("{}{}{}:{:02x}", leaves.empty() ? "" : " ",
                                        f.kind.kind == value_kind::text ? 't' : 'z', f.kind.width,
                                        spdlog::fmt_lib::join(bytes, bytes + f.kind.width, ""));
        }
    };
    for_each_value(header_layout, m, set);
    for_each_value(*entry.body, m, set);
    return {m, leaves.empty() ? "-" : leaves};
}

TEST(JsonMessages, EveryTypeParsesAndGivesBackItsTextForm) {
    const std::string path = testing::temporary_file("json.txt");
    std::size_t written = 0;
    {
        std::ofstream out(path, std::ios::binary);
        for (const catalogue_entry& entry : printable_messages()) {
            for (const fill style : {fill::typical, fill::highest, fill::lowest}) {
                const auto [m, text_fields] = filled(entry, style);
                text_stream json;
                json << R"({"event":"message")";
                ASSERT_TRUE(write_json_message(json, *entry.body, testing::view_of(m)));
                json << '}';
                out << json.view() << '\n' << testing::full_text(m) << '\n' << text_fields << '\n';
                ++written;
            }
        }
    }
    const auto result = testing::run_process({PYTHON3, CHECK_JSON_SCRIPT, "messages", path});
    std::filesystem::remove(path);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, std::to_string(written) + "\n");
    EXPECT_EQ(result.status, 0);
}

// A short view gives the whole fields it holds, as the header text does.
TEST(JsonMessages, ShortViewsAndStrings) {
    message_builder m(MsgType::OrderAdd, 72);
    m.set("seqNum", std::uint32_t{4294967295U});
    text_stream out;
    write_json_header(out, byte_view(m.view().data(), 10));
    EXPECT_EQ(
        out.view(),
        R"(,"length":72,"MsgType":{"value":9,"name":"OrderAdd"},"version":0,"seqNum":4294967295)");
    out.clear();
    EXPECT_FALSE(
        write_json_message(out, *find_layout(MsgType::OrderAdd), byte_view(m.view().data(), 71)));
    EXPECT_EQ(out.view(), "");
    write_json_string(out, hostile);
    EXPECT_EQ(
        out.view(),
        R"("\"\\\u0001\u000a\u001f\u007f\uf780\u0085é \uf7ef\uf79e\uf780\uf7ff\u2028😀\uf7e0\uf780")");
}

}  // namespace
}  // namespace tarn::md
