#include "net/multicast_receiver.hpp"

#include <boost/asio/ip/multicast.hpp>

#include <array>
#include <chrono>

#include "processing/receive_loop.hpp"

namespace tarn {

namespace {

class socket_source final : public datagram_source {
  public:
    socket_source(boost::asio::ip::udp::socket& socket, boost::asio::ip::udp::endpoint& sender)
        : socket_(socket), sender_(sender) {}

    std::optional<datagram> next() override {
        const std::size_t size = socket_.receive_from(boost::asio::buffer(buffer_), sender_);
        const auto received = std::chrono::system_clock::now().time_since_epoch();
        return datagram{.bytes = std::span<const char>(buffer_.data(), size),
                        .wire_size = size,
                        .time_ns = static_cast<std::uint64_t>(
                            std::chrono::duration_cast<std::chrono::nanoseconds>(received).count()),
                        .sender = sender_.address().to_v4().to_bytes(),
                        .sender_port = sender_.port()};
    }

  private:
    boost::asio::ip::udp::socket& socket_;
    boost::asio::ip::udp::endpoint& sender_;
    // A longer datagram could never fit beside a carried message either.
    std::array<char, receive_buffer_size> buffer_{};
};

}  // namespace

multicast_receiver::multicast_receiver(md::processor* processor, const std::string& local_ip,
                                       const std::string& multicast_group, std::uint16_t port,
                                       datagram_recorder* recorder)
    : processor_(processor),
      recorder_(recorder),
      socket_(io_context_),
      local_address_(boost::asio::ip::make_address(local_ip)),
      group_address_(boost::asio::ip::make_address(multicast_group)),
      endpoint_(group_address_, port) {
    socket_.open(endpoint_.protocol());
    socket_.set_option(boost::asio::ip::udp::socket::reuse_address(true));
    socket_.bind(endpoint_);
    // Both must be IPv4; the local address is tested first.
    const auto local = local_address_.to_v4();
    const auto group = group_address_.to_v4();
    socket_.set_option(boost::asio::ip::multicast::join_group(group, local));
    receive_loop();
}

// An exception from the summary cannot be reported any more: it ends the
// process abnormally.
// NOLINTNEXTLINE(bugprone-exception-escape)
multicast_receiver::~multicast_receiver() { processor_->print_summary(); }

void multicast_receiver::receive_loop() {
    socket_source source(socket_, endpoint_);
    if (recorder_ == nullptr) {
        tarn::receive_loop(*processor_, source);
        return;
    }
    // The endpoint still holds the group and port: it takes senders from the first receive on.
    const udp_destination destination{group_address_.to_v4().to_bytes(), endpoint_.port()};
    recording_source recorded(source, *recorder_, destination);
    tarn::receive_loop(*processor_, recorded);
}

}  // namespace tarn
