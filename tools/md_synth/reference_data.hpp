#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calendar.hpp"
#include "md/message_builder.hpp"
#include "random_source.hpp"

namespace tarn::synth {

// Prices, values and percentages carry four implied decimals: 42.15 is 421500.
inline constexpr std::int64_t price_scale = 10'000;

// The venue's market identifier code and its one calendar, tick table,
// collar group and trading schedule.
inline constexpr const char* venue_mic = "XTRN";
inline constexpr std::uint32_t market_id = 1;
inline constexpr std::uint32_t calendar_id = 1;
inline constexpr std::uint32_t tick_table_id = 1;
inline constexpr std::uint32_t collar_group_id = 1;
inline constexpr std::uint32_t trading_schedule_id = 1;
inline constexpr std::uint16_t euro = 978;

// The phases of the trading schedule, by id.
enum class phase : std::uint32_t {
    opening_call = 1,
    continuous = 2,
    closing_call = 3,
    trading_at_last = 4,
    closed = 5,
};
// The TradingPhaseType of a phase.
std::uint8_t phase_type(phase p);

// The tick size at `price`, from the tick table the reference data publishes.
std::int64_t tick_at(std::int64_t price);
// `price` moved by `ticks` steps (negative: down), each step the tick of the
// price it starts from; never below one tick.
std::int64_t ticks_away(std::int64_t price, int ticks);
// The nearest valid price at or below `price`.
std::int64_t on_tick(std::int64_t price);

// A fictitious listed instrument.
struct listed_instrument {
    std::uint32_t id = 0;
    std::uint32_t product_id = 0;
    std::string isin;
    std::string name;    // productName
    std::string issuer;  // the issuer's legal name
    std::string code;    // productCode, the ticker
    std::string cfi;
    std::string fisn;
    std::uint8_t product_type = 0;
    std::uint8_t product_subtype = 0;
    std::uint16_t country = 0;  // ISO 3166 numeric
    std::uint32_t market_structure_id = 0;
    std::int64_t reference_price = 0;  // the previous close
    std::uint64_t issue_size = 0;
};

// Everything the session is about: the shares that trade, a bond, a warrant
// on a share listed elsewhere and two indices over the shares.
struct reference_data {
    std::vector<listed_instrument> shares;
    listed_instrument bond;
    listed_instrument warrant;
    listed_instrument price_index;
    listed_instrument total_return_index;
    std::string warrant_underlying_isin;
    std::vector<std::uint64_t> index_shares;  // of each share, in the index portfolio
    std::int64_t index_divisor = 1;
};

// The instruments, their codes and previous closes; the same for a seed.
reference_data make_reference_data(random_source& random);

// The messages of the initial reference data, in the order they go out:
// market structure, tick table, calendar, collars, schedule, the external
// underlying, the instruments, the bond's tables, the index parameters and
// portfolio.
std::vector<md::message_builder> reference_messages(const reference_data& data,
                                                    const session_date& date);

// The shares of the index portfolio valued at these prices, in the order of
// `data.shares`.
std::int64_t portfolio_value(const reference_data& data, const std::vector<std::int64_t>& prices);

// The value of the price index for these prices of the shares.
std::int64_t index_value(const reference_data& data, const std::vector<std::int64_t>& prices);

}  // namespace tarn::synth
