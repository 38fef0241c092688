#include "app/application.hpp"

#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "app/logging.hpp"
#include "app/options.hpp"
#include "app/processor_choice.hpp"
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

application::application(int argc, char** argv) : argc_(argc), argv_(argv) {}

void application::init() {
    const po::options_description description = make_option_description();
    const po::variables_map options = parse_command_line(argc_, argv_, description);
    if (options.empty() || options.count("help") != 0) {
        std::cout << description << std::endl;
        std::exit(0);  // NOLINT(concurrency-mt-unsafe): one thread; help ends the process
    }
    if (options.count("version") != 0) {
        std::cout << version_text << ' ' << revision_id << std::endl;
        std::exit(0);  // NOLINT(concurrency-mt-unsafe): one thread; version ends the process
    }
    local_ip_ = local_address(options);
    multicast_group_ = get_string_option(options, "multicast-group", true);
    if (options.count("port") == 0) {
        throw std::runtime_error("Required option --port is missing");
    }
    port_ = options["port"].as<strict_unsigned<std::uint16_t>>().value;
    set_up_logger(get_string_option(options, "log", false));
    processor_ = choose_processor(options);
    apply_every(options, *processor_);
    log_start_record(argc_, argv_);
}

int application::run() {
    { const multicast_receiver receiver(processor_.get(), local_ip_, multicast_group_, port_); }
    return 0;
}

}  // namespace tarn
