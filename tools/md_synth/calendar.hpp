#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace tarn::synth {

// The day a session is for, and the clock times the session uses.
class session_date {
  public:
    // From "YYYY-MM-DD"; throws std::invalid_argument for anything else.
    static session_date parse(std::string_view text);

    explicit session_date(std::chrono::year_month_day day) : day_(day) {}

    // As the protocol's date fields carry it: YYYYMMDD.
    std::uint32_t number() const { return number_of(day_); }

    // The date `days` business days later (Saturdays and Sundays skipped).
    std::uint32_t business_days_later(int days) const;

    // Nanoseconds since 1970 (UTC) at this time of this day.
    std::uint64_t at(std::chrono::hours hour, std::chrono::minutes minute) const;

    int year() const { return static_cast<int>(day_.year()); }

    static std::uint32_t number_of(std::chrono::year_month_day day);

  private:
    std::chrono::year_month_day day_;
};

}  // namespace tarn::synth
