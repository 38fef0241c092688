#pragma once

#include <boost/program_options.hpp>

#include <charconv>
#include <concepts>
#include <cstdint>
#include <string>
#include <vector>

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
    T parsed{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || error != std::errc{} || stop != end) {
        throw po::invalid_option_value(text);
    }
    target = strict_unsigned<T>{parsed};
}

// The option table with its caption, in the order of the help text, then the
// group of further options.
boost::program_options::options_description make_option_description();

// The help text: the option table with its caption, then the group of
// further options, as the library prints them.
std::string help_text();

// Parses the whole argument vector in the library's default style; a
// positional argument is the library's error.
boost::program_options::variables_map parse_command_line(
    int argc, const char* const* argv, const boost::program_options::options_description& options);

// The option's text; when absent, throws for a required option and gives "" otherwise.
std::string get_string_option(const boost::program_options::variables_map& options,
                              const std::string& name, bool required);

}  // namespace tarn
