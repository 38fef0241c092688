#pragma once

#include <boost/program_options/variables_map.hpp>

#include <string>

namespace tarn {

// The local address of the interface to use, from the --local-ip and
// --interface options: --local-ip wins when both are given and is taken as
// it is; an --interface name is resolved to its first IPv4 address. Throws
// std::runtime_error when neither is given or the chosen one is empty, and
// what the name lookup throws.
std::string local_address(const boost::program_options::variables_map& options);

}  // namespace tarn
