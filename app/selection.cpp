#include "app/selection.hpp"

#include <spdlog/common.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/decimal.hpp"
#include "md/enum_tables.hpp"

namespace tarn {

namespace {

// `list` cut at its commas, each item without the blanks around it.
std::vector<std::string_view> items_of(std::string_view list) {
    std::vector<std::string_view> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        std::string_view item = list.substr(start, comma - start);
        const std::size_t first = item.find_first_not_of(' ');
        item = first == std::string_view::npos
                   ? std::string_view()
                   : item.substr(first, item.find_last_not_of(' ') - first + 1);
        items.push_back(item);
        if (comma == std::string_view::npos) {
            return items;
        }
        start = comma + 1;
    }
}

std::string type_names() {
    std::string names;
    for (const md::enum_entry& entry : md::msg_type_entries) {
        names.append(names.empty() ? "" : ", ").append(entry.text);
    }
    return names;
}

}  // namespace

std::vector<md::MsgType> parse_type_list(std::string_view list) {
    std::vector<md::MsgType> types;
    for (const std::string_view item : items_of(list)) {
        if (const auto code = parse_decimal<std::uint16_t>(item)) {
            types.push_back(md::MsgType{*code});
            continue;
        }
        const auto* const named =
            std::find_if(std::begin(md::msg_type_entries), std::end(md::msg_type_entries),
                         [item](const md::enum_entry& entry) { return entry.text == item; });
        if (named == std::end(md::msg_type_entries)) {
            throw std::runtime_error(spdlog::fmt_lib::format(
                "Unknown message type '{}' in --only-type. The types are {}, or a code from 0 to "
                "65535",
                item, type_names()));
        }
        types.push_back(md::MsgType{static_cast<std::uint16_t>(named->value)});
    }
    return types;
}

std::vector<std::uint32_t> parse_instrument_list(std::string_view list) {
    std::vector<std::uint32_t> instruments;
    for (const std::string_view item : items_of(list)) {
        const auto id = parse_decimal<std::uint32_t>(item);
        if (!id) {
            throw std::runtime_error(spdlog::fmt_lib::format(
                "Invalid instrument id '{}' in --only-instrument: a number from 0 to 4294967295",
                item));
        }
        instruments.push_back(*id);
    }
    return instruments;
}

}  // namespace tarn
