#include "multicast_sender.hpp"

#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/multicast.hpp>

#include <stdexcept>

namespace tarn::replay {

namespace ip = boost::asio::ip;

multicast_sender::multicast_sender(const std::string& local_ip, std::uint8_t ttl)
    : socket_(io_context_) {
    const ip::address_v4 local = ip::make_address_v4(local_ip);
    socket_.open(ip::udp::v4());
    socket_.set_option(ip::multicast::outbound_interface(local));
    socket_.set_option(ip::multicast::hops(ttl));
}

multicast_sender::multicast_sender(const std::string& local_ip, const std::string& group,
                                   std::uint16_t port, std::uint8_t ttl)
    : multicast_sender(local_ip, ttl) {
    const ip::address_v4 group_address = ip::make_address_v4(group);
    if (!group_address.is_multicast()) {
        throw std::invalid_argument(group + " is not a multicast group");
    }
    destination_ = ip::udp::endpoint(group_address, port);
}

void multicast_sender::send(std::span<const std::uint8_t> payload) {
    socket_.send_to(boost::asio::buffer(payload.data(), payload.size()), destination_);
}

void multicast_sender::send_to(std::span<const std::uint8_t> payload,
                               const std::array<std::uint8_t, 4>& group, std::uint16_t port) {
    const ip::address_v4 group_address(group);
    if (!group_address.is_multicast()) {
        throw std::invalid_argument(group_address.to_string() + " is not a multicast group");
    }
    socket_.send_to(boost::asio::buffer(payload.data(), payload.size()),
                    ip::udp::endpoint(group_address, port));
}

}  // namespace tarn::replay
