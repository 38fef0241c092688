#include "app/application.hpp"

#include <spdlog/common.h>

#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "app/logging.hpp"
#include "app/options.hpp"
#include "app/processor_choice.hpp"
#include "app/reception_options.hpp"
#include "app/version.hpp"
#include "net/interface_address.hpp"
#include "net/multicast_receiver.hpp"
#include "processing/stop_request.hpp"

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
    const po::options_description description = make_option_description();
    command_line result;
    result.options = parse_command_line(argc, argv, description);
    const po::variables_map& options = result.options;
    if (options.empty() || options.count("help") != 0) {
        result.what = command_line::action::help;
        result.text = help_text();
        return result;
    }
    if (options.count("version") != 0) {
        result.what = command_line::action::version;
        result.text = spdlog::fmt_lib::format("{} {}", version_text, revision_id);
        return result;
    }
    result.local_ip = local_address(options);
    result.multicast_group = get_string_option(options, "multicast-group", true);
    if (options.count("port") == 0) {
        throw std::runtime_error("Required option --port is missing");
    }
    result.port = options["port"].as<strict_unsigned<std::uint16_t>>().value;
    result.log_file = get_string_option(options, "log", false);
    result.reception = read_reception_settings(options);
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
    reception_ = settings.reception;
    set_up_logger(settings.log_file);
    processor_ = choose_processor(settings.options);
    apply_every(settings.options, *processor_);
    log_start_record(argc_, argv_);
}

int application::run() {
    install_stop_handlers();
    {
        const multicast_receiver receiver(processor_.get(), local_ip_, multicast_group_, port_,
                                          reception_);
    }
    return 0;
}

}  // namespace tarn
