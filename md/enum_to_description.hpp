#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "md/enum_tables.hpp"

namespace tarn::md {

// An enumeration of the protocol: one that has a description table.
template <class E>
concept described_enum = std::is_enum_v<E> && requires(E value) {
    { names_of(value) } -> std::same_as<const enum_table&>;
};

// The process-wide holder of the description tables of all 56 enumerations,
// MsgType first. A value without a description is described by its decimal
// text, written into the one reused `fallback_` buffer.
class enum_to_description {
  public:
    static constexpr std::size_t table_count = 56;

    static enum_to_description& instance();

    // The description of `value`. A fallback text stays valid only until the
    // next lookup of a value without a description.
    template <described_enum E>
    std::string_view describe(E value) {
        return describe(names_of(value),
                        static_cast<std::int32_t>(static_cast<std::underlying_type_t<E>>(value)));
    }

    // The same for a raw value read from the wire, as the layout printer has it.
    std::string_view describe(const enum_table& table, std::int32_t value);

    // The description of `value` in its table, or an empty view when the
    // table has none (descriptions are never empty, and are printable ASCII
    // without '"' or '\').
    static std::string_view known_description(const enum_table& table, std::int32_t value);

    const std::array<const enum_table*, table_count>& tables() const noexcept { return tables_; }

  private:
    enum_to_description();

    std::array<const enum_table*, table_count> tables_;
    std::string fallback_;
};

}  // namespace tarn::md
