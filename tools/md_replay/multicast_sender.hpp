#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tarn::replay {

// A UDP socket that sends to one multicast group and port through the
// interface of a local address, with the given multicast TTL (1 keeps the
// datagrams on the local network).
class multicast_sender {
  public:
    // Sends only with send_to.
    multicast_sender(const std::string& local_ip, std::uint8_t ttl);
    multicast_sender(const std::string& local_ip, const std::string& group, std::uint16_t port,
                     std::uint8_t ttl);

    // Throws boost::system::system_error when the system refuses the datagram.
    void send(std::span<const std::uint8_t> payload);
    // The same to another group and port, through the same interface.
    void send_to(std::span<const std::uint8_t> payload, const std::array<std::uint8_t, 4>& group,
                 std::uint16_t port);

  private:
    boost::asio::io_context io_context_;
    boost::asio::ip::udp::socket socket_;
    boost::asio::ip::udp::endpoint destination_;
};

}  // namespace tarn::replay
