#pragma once

#include <cstddef>

#include "processing/md_processors.hpp"

namespace tarn {

// The receive buffer: an incomplete message is carried over to the next
// datagram within it, so no message can be longer.
inline constexpr std::size_t receive_buffer_size = 4096;

// Where datagrams come from: the multicast socket, or memory in tests.
class datagram_source {
  public:
    datagram_source() = default;
    datagram_source(const datagram_source&) = delete;
    datagram_source& operator=(const datagram_source&) = delete;
    datagram_source(datagram_source&&) = delete;
    datagram_source& operator=(datagram_source&&) = delete;
    virtual ~datagram_source() = default;

    // Blocks until a datagram arrives and stores at most `room` bytes of it
    // at `into`; the rest of a longer datagram is lost. Returns the number of
    // bytes stored; 0 for an empty datagram.
    virtual std::size_t receive(char* into, std::size_t room) = 0;
};

// Cuts the datagrams into messages by their `length`, carrying an incomplete
// message over to the next datagram, checks the sequence of every message but
// heartbeats and hands each message in place to the processor. Returns when
// the processor has finished, at a length of 0, at an empty datagram, or at a
// length the buffer cannot hold; exceptions of the source pass through.
void receive_loop(md::processor& processor, datagram_source& source);

// The sequence check of one message with sequence number `seq_num`.
void check_sequence(md::processor& processor, unsigned int seq_num);

}  // namespace tarn
