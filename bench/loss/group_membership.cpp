#include "bench/loss/group_membership.hpp"

#include <spdlog/common.h>
#include <boost/asio/ip/address_v4.hpp>

#include <fstream>

namespace tarn::bench {

bool loopback_has_member(const std::string& group) {
    // /proc/net/igmp lists each device ("1<TAB>lo        :     2      V3")
    // followed by its groups, each as the address in network byte order
    // printed as one hexadecimal number ("010101EF" for 239.1.1.1 here).
    const auto bytes = boost::asio::ip::make_address_v4(group).to_bytes();
    const std::string wanted =
        spdlog::fmt_lib::format("{:02X}{:02X}{:02X}{:02X}", bytes[3], bytes[2], bytes[1], bytes[0]);
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
