#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "multicast.hpp"

namespace tarn::testing {

// A socket that has joined a group on lo, inside the private network namespace.
class group_member {
  public:
    group_member(const std::string& group, std::uint16_t port) {
        require_private_network();
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        if (fd_ < 0) {
            throw std::runtime_error("socket failed");
        }
        // Room for a fast replay while the test reads; beyond the system's
        // limit only where the namespace's root may.
        const int size = 4 << 20;
        if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        }
        sockaddr_in bound{};
        bound.sin_family = AF_INET;
        bound.sin_port = htons(port);
        inet_pton(AF_INET, group.c_str(), &bound.sin_addr);
        ip_mreq membership{};
        inet_pton(AF_INET, group.c_str(), &membership.imr_multiaddr);
        inet_pton(AF_INET, "127.0.0.1", &membership.imr_interface);
        if (bind(fd_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
            setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
            close(fd_);
            throw std::runtime_error("cannot join " + group);
        }
    }
    ~group_member() { close(fd_); }
    group_member(const group_member&) = delete;
    group_member& operator=(const group_member&) = delete;

    // The next datagram, or nothing after `limit` without one.
    std::optional<std::string> receive(std::chrono::milliseconds limit) {
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

  private:
    int fd_ = -1;
};

}  // namespace tarn::testing
