#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarn::testing {

// Multicast is sent only inside the private network namespace that
// tests/netns-run makes; this throws anywhere else.
void require_private_network();

// A UDP socket on lo for a group and port: a sender, or a member that has
// joined the group.
class multicast_socket {
  public:
    enum class role { sender, member };
    multicast_socket(const std::string& group, std::uint16_t port, role as = role::sender);
    ~multicast_socket();
    multicast_socket(const multicast_socket&) = delete;
    multicast_socket& operator=(const multicast_socket&) = delete;

    void send(std::string_view datagram);
    // The next datagram, or nothing after `limit` without one.
    std::optional<std::string> receive(std::chrono::milliseconds limit);

  private:
    int fd_ = -1;
    std::string group_;
    std::uint16_t port_;
};

// Waits until some socket of this namespace has joined `group` on lo;
// false after `limit`.
bool wait_for_membership(const std::string& group, std::chrono::milliseconds limit);

}  // namespace tarn::testing
