#include "md/enum_to_description.hpp"

#include <algorithm>
#include <charconv>
#include <memory>

namespace tarn::md {

namespace {

// Every table has entries, sorted by value with unique values and no empty
// text, so a binary search finds a value exactly.
constexpr bool well_formed(const enum_table& table) {
    const std::int32_t low = table.is_signed ? -128 : 0;
    const std::int32_t high = table.is_signed ? 127 : 65535;
    if (table.entries.empty()) {
        return false;
    }
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
        const auto& entry = table.entries[i];
        if (entry.text.empty() || entry.value < low || entry.value > high) {
            return false;
        }
        if (i > 0 && table.entries[i - 1].value >= entry.value) {
            return false;
        }
    }
    return true;
}

constexpr std::array<const enum_table*, enum_to_description::table_count> all_tables{
    &msg_type_names,
    &side_names,
    &priority_flag_names,
    &trading_session_event_names,
    &trading_phase_type_names,
    &instrument_status_names,
    &calendar_exception_type_names,
    &product_identification_type_names,
    &currency_names,
    &price_expression_type_names,
    &mmt_market_mechanism_names,
    &mmt_trading_mode_names,
    &mmt_transaction_category_names,
    &mmt_negotiation_indicator_names,
    &mmt_agency_cross_trade_indicator_names,
    &mmt_modification_indicator_names,
    &mmt_benchmark_reference_price_indicator_names,
    &mmt_special_dividend_indicator_names,
    &mmt_off_book_automated_indicator_names,
    &mmt_ordinary_trade_indicator_names,
    &mmt_algorithmic_indicator_names,
    &mmt_post_trade_deferral_reason_names,
    &mmt_post_trade_deferral_type_names,
    &collar_mode_names,
    &collar_expression_names,
    &price_update_type_names,
    &price_ytm_presence_names,
    &auction_type_names,
    &market_model_type_names,
    &product_type_names,
    &product_subtype_names,
    &nominal_value_type_names,
    &bond_coupon_type_names,
    &country_names,
    &us_indicator_names,
    &settlement_type_names,
    &option_type_names,
    &exercise_type_names,
    &is_leverage_names,
    &login_filter_names,
    &login_result_names,
    &order_book_event_type_names,
    &index_level_code_names,
    &real_time_index_presence_flags_names,
    &index_summary_presence_flags_names,
    &index_publication_schedule_names,
    &index_portfolio_entry_presence_flags_names,
    &index_type_names,
    &index_params_presence_flags_names,
    &index_underlying_type_names,
    &closing_price_type_names,
    &adjusted_closing_price_reason_names,
    &marker_price_change_names,
    &quotation_system_names,
    &test_event_type_names,
    &pos_type_names};

constexpr bool all_well_formed() {
    return std::all_of(all_tables.begin(), all_tables.end(),
                       [](const enum_table* table) { return well_formed(*table); });
}
static_assert(all_well_formed(), "description tables are sorted, unique and non-empty");

// Descriptions are printable ASCII without '"' or '\', so JSON quotes them as
// they are.
constexpr bool all_plain() {
    return std::all_of(all_tables.begin(), all_tables.end(), [](const enum_table* table) {
        return std::all_of(table->entries.begin(), table->entries.end(), [](const enum_entry& e) {
            return std::all_of(e.text.begin(), e.text.end(), [](char c) {
                return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
            });
        });
    });
}
static_assert(all_plain(), "descriptions need no escaping in JSON");

// Every message names its type, and the type codes have wide holes between
// them: the position of each code's entry, straight by code.
constexpr std::uint8_t no_entry = 0xFF;
constexpr std::size_t msg_type_codes = msg_type_entries[std::size(msg_type_entries) - 1].value + 1;
static_assert(std::size(msg_type_entries) < no_entry);

constexpr std::array<std::uint8_t, msg_type_codes> make_msg_type_positions() {
    std::array<std::uint8_t, msg_type_codes> positions{};
    std::fill(positions.begin(), positions.end(), no_entry);
    for (std::size_t i = 0; i < std::size(msg_type_entries); ++i) {
        positions.at(static_cast<std::size_t>(msg_type_entries[i].value)) =
            static_cast<std::uint8_t>(i);
    }
    return positions;
}
constexpr auto msg_type_positions = make_msg_type_positions();

// The entry of `value`, or null.
const enum_entry* find_entry(const enum_table& table, std::int32_t value) {
    const auto entries = table.entries;
    if (&table == &msg_type_names) {
        const auto code = static_cast<std::uint32_t>(value);
        if (code < msg_type_positions.size() && msg_type_positions[code] != no_entry) {
            return &entries[msg_type_positions[code]];
        }
        return nullptr;
    }
    // Most tables run from their first value without a hole, so a value sits
    // at its own position; the others are searched.
    const auto position = static_cast<std::uint32_t>(value - entries.front().value);
    if (position < entries.size() && entries[position].value == value) {
        return &entries[position];
    }
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), value,
        [](const enum_entry& entry, std::int32_t wanted) { return entry.value < wanted; });
    return found != entries.end() && found->value == value ? &*found : nullptr;
}

}  // namespace

enum_to_description& enum_to_description::instance() {
    // Built on first use and released at process exit.
    static const std::unique_ptr<enum_to_description> holder(new enum_to_description);
    return *holder;
}

enum_to_description::enum_to_description() : tables_(all_tables) {}

std::string_view enum_to_description::known_description(const enum_table& table,
                                                        std::int32_t value) {
    const enum_entry* found = find_entry(table, value);
    return found != nullptr ? found->text : std::string_view();
}

std::string_view enum_to_description::describe(const enum_table& table, std::int32_t value) {
    if (const enum_entry* found = find_entry(table, value)) {
        return found->text;
    }
    std::array<char, 12> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    fallback_.assign(digits.data(), result.ptr);
    return fallback_;
}

}  // namespace tarn::md
