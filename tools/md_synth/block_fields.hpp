#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "md/enum_tables.hpp"
#include "md/layout.hpp"
#include "md/message_builder.hpp"
#include "md/product_identification.hpp"

namespace tarn::synth {

// The ProductIdentificationType of an ISIN.
inline constexpr std::uint8_t isin_type = md::wire_value<md::ProductIdentificationType>("ISIN");

// Sets a field of a block or list element that starts at `base` in the
// message, by its name in the element's layout; the value must have the
// field's width.
template <class T>
void set_in(md::message_builder& message, std::size_t base, const md::layout& of,
            std::string_view name, T value) {
    const auto found = std::ranges::find(of.fields, name, &md::field::name);
    if (found == of.fields.end() || found->kind.width != sizeof value) {
        throw std::logic_error("no field " + std::string(name) + " of that width");
    }
    message.put(base + found->offset, value);
}

// The same for a text field of the block.
inline void set_text_in(md::message_builder& message, std::size_t base, const md::layout& of,
                        std::string_view name, std::string_view value) {
    const auto found = std::ranges::find(of.fields, name, &md::field::name);
    if (found == of.fields.end() || found->kind.kind != md::value_kind::text) {
        throw std::logic_error("no text field " + std::string(name));
    }
    message.text(base + found->offset, value, found->kind.width);
}

// An ISIN into the ProductIdentification block that starts at `base`.
inline void set_isin_in(md::message_builder& message, std::size_t base, std::string_view isin) {
    set_text_in(message, base, md::product_identification, "productIdentification", isin);
    set_in(message, base, md::product_identification, "productIdentificationType", isin_type);
}

}  // namespace tarn::synth
