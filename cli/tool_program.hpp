#pragma once

#include <spdlog/common.h>

#include <boost/program_options.hpp>

#include <functional>
#include <stdexcept>
#include <string_view>

namespace tarn {

// The frame of md_synth and md_replay: reads the command line against
// `description`; with no option or with --help prints the description, with
// --version the version line, and otherwise runs `run` on the options. An
// exception from any of these ends the program with "NAME: what" on standard
// error; the status is then 1, else what `run` returns.
int run_tool(std::string_view name, int argc, char** argv,
             const boost::program_options::options_description& description,
             const std::function<int(const boost::program_options::variables_map&)>& run);

// The value of an option the tool cannot do without.
template <class T>
T required(const boost::program_options::variables_map& options, const char* name) {
    if (options.count(name) == 0) {
        throw std::invalid_argument(
            spdlog::fmt_lib::format("Required option --{} is missing", name));
    }
    return options[name].as<T>();
}

}  // namespace tarn
