#include "bench/loss/group_membership.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarn::bench {

bool loopback_has_member(const std::string& group) {
    // /proc/net/igmp lists each device ("1<TAB>lo        :     2      V3")
    // followed by its groups, each as the address in network byte order
    // printed as one hexadecimal number ("010101EF" for 239.1.1.1 here).
    in_addr address{};
    if (inet_pton(AF_INET, group.c_str(), &address) != 1) {
        throw std::invalid_argument("not an IPv4 address: " + group);
    }
    // The same 32 bits in the same memory order, printed as a number.
    std::string wanted(8, '0');
    char digits[8];
    auto* const end = std::to_chars(digits, digits + sizeof digits, address.s_addr, 16).ptr;
    std::transform(digits, end, wanted.end() - (end - digits),
                   [](char digit) { return static_cast<char>(std::toupper(digit)); });
    std::ifstream igmp("/proc/net/igmp");
    std::string line;
    bool in_loopback = false;
    while (std::getline(igmp, line)) {
        if (!line.empty() && line.front() != '\t' && line.front() != ' ') {
            std::istringstream fields(line);
            std::string index;
            std::string device;
            fields >> index >> device;
            in_loopback = device == "lo";
        } else if (in_loopback && line.find(wanted) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace tarn::bench
