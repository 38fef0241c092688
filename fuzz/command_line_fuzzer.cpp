// Arbitrary argument vectors through the command-line reading and checks of
// `init` (the type and instrument lists included), the filter they make, the
// processor choice and the `every` check: no exit, no file, no socket.
//
// Input: the arguments after the program name, each ended by a zero byte
// (the last one may lack it).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/processor_choice.hpp"

namespace {

// More arguments than any sensible command line, few enough to keep runs fast.
constexpr std::size_t max_arguments = 64;

std::vector<std::string> split_arguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments{"md_dump"};
    std::string current;
    for (std::size_t i = 0; i < size && arguments.size() < max_arguments; ++i) {
        if (data[i] == 0) {
            arguments.push_back(std::move(current));
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty() && arguments.size() < max_arguments) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

// What a successful read promises the rest of `init`: a capture to read and
// no local address, or a local address, a group and a port.
void check_run_settings(const tarn::command_line& settings) {
    const bool live = !settings.local_ip.empty() &&
                      settings.options.count("multicast-group") != 0 &&
                      settings.options.count("port") != 0;
    const bool offline = settings.read_capture && settings.local_ip.empty();
    if (live == offline) {
        std::terminate();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments = split_arguments(data, size);
    std::vector<const char*> argv(arguments.size() + 1, nullptr);
    std::transform(arguments.begin(), arguments.end(), argv.begin(),
                   [](const std::string& argument) { return argument.c_str(); });
    try {
        const tarn::command_line settings =
            tarn::read_command_line(static_cast<int>(arguments.size()), argv.data());
        if (settings.what != tarn::command_line::action::run) {
            return 0;
        }
        check_run_settings(settings);
        const auto processor = tarn::choose_processor(
            settings.options,
            tarn::md::message_filter(settings.only_types, settings.only_instruments));
        tarn::apply_every(settings.options, *processor);
    } catch (const std::exception&) {
        // A refused command line: init reports it and the process ends with status 1.
    }
    return 0;
}
