#include "cli/local_address.hpp"

#include <stdexcept>

#include "net/interface_address.hpp"

namespace tarn {

std::string local_address(const boost::program_options::variables_map& options) {
    const bool from_local_ip = options.count("local-ip") != 0;
    const char* const source = from_local_ip ? "local-ip" : "interface";
    const std::string value = options.count(source) != 0 ? options[source].as<std::string>() : "";
    if (value.empty()) {
        throw std::runtime_error("Please provide either --local-ip or --interface option");
    }
    return from_local_ip ? value : find_interface_address(value);
}

}  // namespace tarn
