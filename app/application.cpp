#include "app/application.hpp"

#include <spdlog/common.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "app/logging.hpp"
#include "app/options.hpp"
#include "app/processor_choice.hpp"
#include "app/selection.hpp"
#include "app/version.hpp"
#include "net/interface_address.hpp"
#include "net/multicast_receiver.hpp"

namespace tarn {

namespace po = boost::program_options;

namespace {

// The local address from --local-ip, or else resolved from --interface.
std::string local_address(const po::variables_map& options) {
    const bool from_local_ip = options.count("local-ip") != 0;
    const char* const source = from_local_ip ? "local-ip" : "interface";
    const std::string value = options.count(source) != 0 ? options[source].as<std::string>() : "";
    if (value.empty()) {
        throw std::runtime_error("Please provide either --local-ip or --interface option");
    }
    return from_local_ip ? value : find_interface_address(value);
}

}  // namespace

command_line read_command_line(int argc, const char* const* argv) {
    const po::options_description specified = make_option_description();
    const po::options_description further = make_further_options();
    po::options_description all;
    all.add(specified).add(further);
    command_line result;
    result.options = parse_command_line(argc, argv, all);
    const po::variables_map& options = result.options;
    if (options.empty() || options.count("help") != 0) {
        // Each group is laid out by itself, so the table above keeps its columns.
        std::ostringstream help;
        help << specified << '\n' << further;
        result.what = command_line::action::help;
        result.text = help.str();
        return result;
    }
    if (options.count("version") != 0) {
        result.what = command_line::action::version;
        result.text = version_line();
        return result;
    }
    result.local_ip = local_address(options);
    result.multicast_group = get_string_option(options, "multicast-group", true);
    if (options.count("port") == 0) {
        throw std::runtime_error("Required option --port is missing");
    }
    result.port = options["port"].as<strict_unsigned<std::uint16_t>>().value;
    result.log_file = get_string_option(options, "log", false);
    if (options.count("only-type") != 0) {
        result.only_types = parse_type_list(options["only-type"].as<std::string>());
    }
    if (options.count("only-instrument") != 0) {
        result.only_instruments =
            parse_instrument_list(options["only-instrument"].as<std::string>());
    }
    result.json = options.count("json") != 0;
    return result;
}

application::application(int argc, char** argv) : argc_(argc), argv_(argv) {}

void application::init() {
    command_line settings = read_command_line(argc_, argv_);
    if (settings.what != command_line::action::run) {
        std::cout << settings.text << std::endl;
        // One thread; help and version end the process.
        std::exit(0);  // NOLINT(concurrency-mt-unsafe)
    }
    local_ip_ = std::move(settings.local_ip);
    multicast_group_ = std::move(settings.multicast_group);
    port_ = settings.port;
    set_up_logger(settings.log_file, settings.json ? records::form::json : records::form::text);
    processor_ = choose_processor(
        settings.options, md::message_filter(settings.only_types, settings.only_instruments));
    apply_every(settings.options, *processor_);
    log_start_record(argc_, argv_);
}

int application::run() {
    { const multicast_receiver receiver(processor_.get(), local_ip_, multicast_group_, port_); }
    return 0;
}

}  // namespace tarn
