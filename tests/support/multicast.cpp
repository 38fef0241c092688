#include "multicast.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tarn::testing {

void require_private_network() {
    const char* marker = std::getenv("MD_DUMP_NETNS");
    if (marker == nullptr || std::string_view(marker) != "1") {
        throw std::runtime_error("multicast tests run only under tests/netns-run");
    }
}

multicast_sender::multicast_sender(const std::string& group, std::uint16_t port)
    : group_(group), port_(port) {
    require_private_network();
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd_ < 0) {
        throw std::runtime_error("socket failed");
    }
    in_addr loopback{};
    inet_pton(AF_INET, "127.0.0.1", &loopback);
    setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
    const unsigned char ttl = 0;  // never leaves this host
    setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
}

multicast_sender::~multicast_sender() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void multicast_sender::send(std::string_view datagram) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    inet_pton(AF_INET, group_.c_str(), &to.sin_addr);
    if (sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) != static_cast<ssize_t>(datagram.size())) {
        throw std::runtime_error("sendto failed");
    }
    // Loopback delivers at once, but a burst can overrun the receiver's
    // socket buffer; a short pause keeps the tests free of drops.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

bool wait_for_membership(const std::string& group, std::chrono::milliseconds limit) {
    in_addr address{};
    inet_pton(AF_INET, group.c_str(), &address);
    char wanted[9];
    // /proc/net/igmp writes the group as the hexadecimal of the address in
    // host byte order.
    std::snprintf(wanted, sizeof wanted, "%08X", address.s_addr);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream igmp("/proc/net/igmp");
        std::stringstream text;
        text << igmp.rdbuf();
        if (text.str().find(wanted) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace tarn::testing
