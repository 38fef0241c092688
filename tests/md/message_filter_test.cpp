// Filters made from --only-type and --only-instrument values, over messages
// with their instrument ids in the body, in a block, in list elements, and
// without any.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/selection.hpp"
#include "md/catalogue.hpp"
#include "md/message_filter.hpp"
#include "messages.hpp"

namespace tarn::md {
namespace {

// A layout the catalogue lacks: ids in the elements of a counted list of
// capacity 3, and in the elements of a fixed list of 2.
constexpr field element_fields[] = {{0, "instrumentId", uint32}, {4, "side", uint8}};
constexpr layout element{5, element_fields};
constexpr field listed_fields[] = {{42, "legs", counted_list(element, 3)},
                                   {58, "pair", list(element, 2)}};
constexpr layout listed{68, listed_fields};
static_assert(is_contiguous(listed, body_offset));
constexpr auto listed_type = MsgType{4000};

TEST(MessageFilter, ByTypeInstrumentOrBoth) {
    message_builder trade(MsgType::Trade);
    trade.set<std::uint32_t>("instrumentId", 1234);
    message_builder summary(MsgType::ProductSummary);
    summary.put<std::uint32_t>(summary.offset_of("hybridInstrument"), 55);
    message_builder legs(listed_type, listed);
    // Two legs counted (11, 12); a third (13) in the room but not counted.
    legs.put<std::uint8_t>(42, 2).put<std::uint32_t>(43, 11).put<std::uint32_t>(48, 12);
    legs.put<std::uint32_t>(53, 13).put<std::uint32_t>(63, 21);
    const std::pair<std::string, message_builder> samples[] = {
        {"order", testing::order_add(1)},  // instrument 7
        {"trade", trade},
        {"summary", summary},
        {"legs", legs},
        {"heartbeat", testing::heartbeat()},
        {"unknown", message_builder(MsgType{999}, 60)}};
    const struct {
        std::string types;  // "-" for no --only-type
        std::string instruments;
        std::vector<std::string> shown;
    } cases[] = {
        {"-", "-", {"order", "trade", "summary", "legs", "heartbeat", "unknown"}},
        {"OrderAdd", "-", {"order"}},
        {" 38 ,Heartbeat,999", "-", {"trade", "heartbeat", "unknown"}},
        {"-", "7,1234", {"order", "trade"}},
        {"-", "55", {"summary"}},                  // inside a block
        {"-", "12", {"legs"}},                     // a counted element
        {"-", "21", {"legs"}},                     // an element of a fixed list
        {"-", "13", {}},                           // in the room, not counted
        {"-", "0", {"summary", "legs"}},           // the other blocks and elements hold 0
        {"OrderAdd,Trade", "1234,55", {"trade"}},  // both must hold
        {"Heartbeat,OrderAdd", "7", {"order"}},    // a heartbeat has no instrument
    };
    std::vector<catalogue_entry> entries(printable_messages().begin(), printable_messages().end());
    entries.push_back({listed_type, &listed});
    for (const auto& c : cases) {
        const auto types = c.types == "-" ? std::vector<MsgType>() : parse_type_list(c.types);
        const auto instruments = c.instruments == "-" ? std::vector<std::uint32_t>()
                                                      : parse_instrument_list(c.instruments);
        const message_filter filter(types, instruments, entries);
        std::vector<std::string> shown;
        for (const auto& [name, message] : samples) {
            if (filter.shows(testing::view_of(message))) {
                shown.push_back(name);
            }
        }
        EXPECT_EQ(shown, c.shown) << c.types << " / " << c.instruments;
    }
}

// The command-line tests show the message a refused list gives.
TEST(MessageFilter, ListsThatAreRefused) {
    for (const std::string list : {"Bogus", "", "OrderAdd,", "orderadd", "65536", "-1", "9 9"}) {
        EXPECT_THROW(parse_type_list(list), std::runtime_error) << list;
    }
    for (const std::string list : {"x", "", "1,,2", "-1", "4294967296", "0x10"}) {
        EXPECT_THROW(parse_instrument_list(list), std::runtime_error) << list;
    }
    EXPECT_EQ(parse_instrument_list("4294967295, 0"), (std::vector<std::uint32_t>{4294967295U, 0}));
}

}  // namespace
}  // namespace tarn::md
