#include "calendar.hpp"

#include <optional>
#include <stdexcept>
#include <string>

#include "cli/decimal.hpp"

namespace tarn::synth {

namespace {

unsigned parse_number(std::string_view text) {
    const std::optional<unsigned> value = parse_decimal<unsigned>(text);
    if (!value) {
        throw std::invalid_argument("not a number");
    }
    return *value;
}

}  // namespace

session_date session_date::parse(std::string_view text) {
    try {
        if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
            throw std::invalid_argument("wrong shape");
        }
        const std::chrono::year_month_day day{
            std::chrono::year(static_cast<int>(parse_number(text.substr(0, 4)))),
            std::chrono::month(parse_number(text.substr(5, 2))),
            std::chrono::day(parse_number(text.substr(8, 2)))};
        if (!day.ok()) {
            throw std::invalid_argument("no such day");
        }
        return session_date(day);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("not a date of the form YYYY-MM-DD: " + std::string(text));
    }
}

std::uint32_t session_date::number_of(std::chrono::year_month_day day) {
    return static_cast<std::uint32_t>(static_cast<int>(day.year())) * 10000U +
           static_cast<unsigned>(day.month()) * 100U + static_cast<unsigned>(day.day());
}

std::uint32_t session_date::business_days_later(int days) const {
    std::chrono::sys_days day{day_};
    while (days > 0) {
        day += std::chrono::days(1);
        const std::chrono::weekday weekday{day};
        if (weekday != std::chrono::Saturday && weekday != std::chrono::Sunday) {
            --days;
        }
    }
    return number_of(std::chrono::year_month_day{day});
}

std::uint64_t session_date::at(std::chrono::hours hour, std::chrono::minutes minute) const {
    const auto time = std::chrono::sys_days{day_} + hour + minute;
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
}

}  // namespace tarn::synth
