#include "bench/loss/group_membership.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarn::bench {

namespace {

// An address as /proc/net lists it: the 32 bits in network byte order printed
// as one hexadecimal number ("010101EF" for 239.1.1.1 here).
std::string proc_address(const std::string& group) {
    in_addr address{};
    if (inet_pton(AF_INET, group.c_str(), &address) != 1) {
        throw std::invalid_argument("not an IPv4 address: " + group);
    }
    std::string wanted(8, '0');
    char digits[8];
    auto* const end = std::to_chars(digits, digits + sizeof digits, address.s_addr, 16).ptr;
    std::transform(digits, end, wanted.end() - (end - digits),
                   [](char digit) { return static_cast<char>(std::toupper(digit)); });
    return wanted;
}

}  // namespace

bool socket_has_queued(const std::string& group, unsigned port) {
    // "sl local_address rem_address st tx_queue:rx_queue ...", the port in hexadecimal too.
    char port_text[8];
    std::snprintf(port_text, sizeof port_text, ":%04X", port);
    const std::string local = proc_address(group) + port_text;
    std::ifstream table("/proc/net/udp");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot;
        std::string address;
        std::string remote;
        std::string state;
        std::string queues;
        fields >> slot >> address >> remote >> state >> queues;
        if (address == local) {
            return queues.substr(queues.find(':') + 1) != "00000000";
        }
    }
    return false;
}

bool loopback_has_member(const std::string& group) {
    // /proc/net/igmp lists each device ("1<TAB>lo        :     2      V3")
    // followed by its groups.
    const std::string wanted = proc_address(group);
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
