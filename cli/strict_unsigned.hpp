#pragma once

#include <boost/program_options.hpp>

#include <concepts>
#include <string>
#include <vector>

#include "cli/decimal.hpp"

namespace tarn {

// An unsigned option value that accepts decimal digits only. The library's own
// conversion wraps "-1" round to the largest value, which would turn
// --port=-1 into port 65535; this one rejects it like any other bad value.
template <std::unsigned_integral T>
struct strict_unsigned {
    T value{};
};

template <std::unsigned_integral T>
void validate(boost::any& target, const std::vector<std::string>& values, strict_unsigned<T>*,
              int) {
    namespace po = boost::program_options;
    po::validators::check_first_occurrence(target);
    const std::string& text = po::validators::get_single_string(values);
    const std::optional<T> parsed = parse_decimal<T>(text);
    if (!parsed) {
        throw po::invalid_option_value(text);
    }
    target = strict_unsigned<T>{*parsed};
}

}  // namespace tarn
