#pragma once

#include <boost/program_options.hpp>

#include <string>

#include "cli/strict_unsigned.hpp"

namespace tarn {

// The option table with its caption, in the order of the help text.
boost::program_options::options_description make_option_table();

// The options added since, in a second group of the help text.
boost::program_options::options_description make_further_options();

// Both groups, as the command line is parsed.
boost::program_options::options_description make_option_description();

// The table, then the further options: the help text without its final newline.
std::string help_text();

// Parses the whole argument vector in the library's default style; a
// positional argument is the library's error.
boost::program_options::variables_map parse_command_line(
    int argc, const char* const* argv, const boost::program_options::options_description& options);

// The option's text; when absent, throws for a required option and gives "" otherwise.
std::string get_string_option(const boost::program_options::variables_map& options,
                              const std::string& name, bool required);

}  // namespace tarn
