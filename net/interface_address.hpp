#pragma once

#include <string>

namespace tarn {

// The dotted-decimal text of the first IPv4 address that the system lists
// under exactly this interface name. Throws std::runtime_error when the list
// cannot be read or the name has no IPv4 address.
std::string find_interface_address(const std::string& name);

}  // namespace tarn
