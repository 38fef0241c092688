#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/udp.hpp>

#include <cstdint>
#include <string>

#include "processing/datagram_recorder.hpp"
#include "processing/md_processors.hpp"

namespace tarn {

// The network end of a run. Construction opens a UDP socket, binds it to the
// group and port, joins the group on the interface of the local address and
// then runs the receive loop to the end of the stream, each datagram also
// going to the recorder when there is one. Destruction after a normal end has
// the processor write its summary, then closes the socket.
class multicast_receiver {
  public:
    multicast_receiver(md::processor* processor, const std::string& local_ip,
                       const std::string& multicast_group, std::uint16_t port,
                       datagram_recorder* recorder = nullptr);
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
    // The bind target; afterwards each receive stores the sender here.
    boost::asio::ip::udp::endpoint endpoint_;
};

}  // namespace tarn
