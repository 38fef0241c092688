#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/udp.hpp>

#include <chrono>
#include <cstdint>
#include <string>

#include "processing/datagram_recorder.hpp"
#include "processing/md_processors.hpp"
#include "processing/run.hpp"

namespace tarn {

// How a run receives, beyond the group and port.
struct reception_settings {
    std::uint64_t receive_buffer = 0;            // SO_RCVBUF asked, bytes; 0: the system's
    std::chrono::nanoseconds stats_interval{0};  // 0: no interval statistics
    // The kernel's receive time of each datagram, which costs it some work
    // per datagram; the interval statistics have it in any case.
    bool receive_times = false;
    datagram_recorder* recorder = nullptr;   // where received datagrams are recorded, if anywhere
    figures_publisher* publisher = nullptr;  // where the run's figures go, if anywhere
};

// The network end of a run. Construction opens a UDP socket, binds it to the
// group and port, joins the group on the interface of the local address and
// then receives to the end of the stream (processing/run.hpp). Destruction
// after a normal end writes the summary, then closes the socket.
class multicast_receiver {
  public:
    multicast_receiver(md::processor* processor, const std::string& local_ip,
                       const std::string& multicast_group, std::uint16_t port,
                       const reception_settings& settings = {});
    ~multicast_receiver();  // NOLINT(bugprone-exception-escape): see the definition

    multicast_receiver(const multicast_receiver&) = delete;
    multicast_receiver& operator=(const multicast_receiver&) = delete;
    multicast_receiver(multicast_receiver&&) = delete;
    multicast_receiver& operator=(multicast_receiver&&) = delete;

  private:
    void receive_loop();

    md::processor* processor_;
    datagram_recorder* recorder_;
    boost::asio::io_context io_context_;
    boost::asio::ip::udp::socket socket_;
    boost::asio::ip::address local_address_;
    boost::asio::ip::address group_address_;
    // The bind target.
    boost::asio::ip::udp::endpoint endpoint_;
    figures_publisher* publisher_;
    std::uint64_t receive_buffer_bytes_ = 0;  // granted, known with a publisher only
    run run_;
};

}  // namespace tarn
