#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn::testing {

// Multicast is sent only inside the private network namespace that
// tests/netns-run makes; this throws anywhere else.
void require_private_network();

// Sends datagrams to a group through the loopback interface.
class multicast_sender {
  public:
    multicast_sender(const std::string& group, std::uint16_t port);
    ~multicast_sender();
    multicast_sender(const multicast_sender&) = delete;
    multicast_sender& operator=(const multicast_sender&) = delete;

    void send(std::string_view datagram);

  private:
    int fd_ = -1;
    std::string group_;
    std::uint16_t port_;
};

// Waits until some socket of this namespace has joined `group` on lo;
// false after `limit`.
bool wait_for_membership(const std::string& group, std::chrono::milliseconds limit);

}  // namespace tarn::testing
