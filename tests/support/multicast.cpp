#include "multicast.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "process.hpp"

namespace tarn::testing {

namespace {

sockaddr_in address_of(const std::string& ip, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    return address;
}

}  // namespace

void require_private_network() {
    const char* marker = std::getenv("MD_DUMP_NETNS");
    if (marker == nullptr || std::string_view(marker) != "1") {
        throw std::runtime_error("multicast tests run only under tests/netns-run");
    }
}

multicast_socket::multicast_socket(const std::string& group, std::uint16_t port, role as)
    : group_(group), port_(port) {
    require_private_network();
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    const in_addr loopback = address_of("127.0.0.1", 0).sin_addr;
    if (as == role::sender) {
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
        const unsigned char ttl = 0;  // never leaves this host
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
        return;
    }
    // Room for a fast replay while the test reads; beyond the system's limit
    // only where the namespace's root may.
    const int size = 4 << 20;
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    const sockaddr_in bound = address_of(group, port);
    const ip_mreq membership{bound.sin_addr, loopback};
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        close(fd_);
        throw std::runtime_error("cannot join " + group);
    }
}

multicast_socket::~multicast_socket() { close(fd_); }

void multicast_socket::send(std::string_view datagram) {
    const sockaddr_in to = address_of(group_, port_);
    if (sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) != static_cast<ssize_t>(datagram.size())) {
        throw std::runtime_error("sendto failed");
    }
    // Loopback delivers at once, but a burst can overrun the receiver's
    // socket buffer; a short pause keeps the tests free of drops.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

std::optional<std::string> multicast_socket::receive(std::chrono::milliseconds limit) {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(limit.count())) != 1) {
        return std::nullopt;
    }
    std::string buffer(65536, '\0');
    const ssize_t size = recv(fd_, buffer.data(), buffer.size(), 0);
    if (size < 0) {
        throw std::runtime_error("recv failed");
    }
    buffer.resize(static_cast<std::size_t>(size));
    return buffer;
}

bool wait_for_membership(const std::string& group, std::chrono::milliseconds limit) {
    // /proc/net/igmp writes the group as the hexadecimal of the address in
    // host byte order.
    char wanted[9];
    std::snprintf(wanted, sizeof wanted, "%08X", address_of(group, 0).sin_addr.s_addr);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (read_file("/proc/net/igmp").find(wanted) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace tarn::testing
