#pragma once

#include <spdlog/common.h>

#include <array>
#include <cstdint>
#include <locale>
#include <string>

namespace tarn {

namespace locale {

// Groups of three digits separated by an apostrophe: 1'234'567.
class with_separator : public std::numpunct<char> {
  protected:
    char do_decimal_point() const override { return '.'; }
    char do_thousands_sep() const override { return '\''; }
    std::string do_grouping() const override { return "\3"; }
};

// No grouping at all.
class without_separator : public std::numpunct<char> {
  protected:
    char do_decimal_point() const override { return '.'; }
    std::string do_grouping() const override { return ""; }
};

}  // namespace locale

// The process-wide pair of number locales: element 0 groups digits with an
// apostrophe, element 1 does not group.
const std::array<std::locale, 2>& separator_locales();

// A count that formats with an apostrophe between groups of three digits.
struct grouped_count {
    std::uint64_t value;
};

}  // namespace tarn

template <>
struct spdlog::fmt_lib::formatter<tarn::grouped_count> {
    static constexpr auto parse(spdlog::fmt_lib::format_parse_context& context) {
        return context.begin();
    }

    template <class Context>
    auto format(tarn::grouped_count count, Context& context) const {
        return spdlog::fmt_lib::format_to(context.out(), tarn::separator_locales()[0], "{:L}",
                                          count.value);
    }
};
