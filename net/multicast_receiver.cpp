#include "net/multicast_receiver.hpp"

#include <boost/asio/ip/multicast.hpp>

#include "net/receive_buffer.hpp"
#include "net/socket_source.hpp"

namespace tarn {

multicast_receiver::multicast_receiver(md::processor* processor, const std::string& local_ip,
                                       const std::string& multicast_group, std::uint16_t port,
                                       const reception_settings& settings)
    : processor_(processor),
      recorder_(settings.recorder),
      socket_(io_context_),
      local_address_(boost::asio::ip::make_address(local_ip)),
      group_address_(boost::asio::ip::make_address(multicast_group)),
      endpoint_(group_address_, port),
      publisher_(settings.publisher),
      run_(*processor, settings.stats_interval) {
    socket_.open(endpoint_.protocol());
    socket_.set_option(boost::asio::ip::udp::socket::reuse_address(true));
    if (settings.receive_times || settings.recorder != nullptr ||
        settings.stats_interval.count() > 0 || settings.publisher != nullptr) {
        enable_receive_times(socket_.native_handle());
    }
    if (settings.receive_buffer != 0) {
        const std::uint64_t granted =
            request_receive_buffer(socket_.native_handle(), settings.receive_buffer);
        processor_->records_.receive_buffer(settings.receive_buffer, granted);
        receive_buffer_bytes_ = granted;
    } else if (publisher_ != nullptr) {
        receive_buffer_bytes_ = granted_receive_buffer(socket_.native_handle());
    }
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
multicast_receiver::~multicast_receiver() { run_.summarise(); }

void multicast_receiver::receive_loop() {
    socket_source source(socket_.native_handle());
    const udp_destination destination{group_address_.to_v4().to_bytes(), endpoint_.port()};
    run_.receive(source, {.recorder = recorder_,
                          .destination = &destination,
                          .publisher = publisher_,
                          .receive_buffer_bytes = receive_buffer_bytes_});
}

}  // namespace tarn
