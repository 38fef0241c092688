#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "processing/datagram_source.hpp"
#include "processing/md_processors.hpp"

namespace tarn {

// The receive buffer: an incomplete message is carried over to the next
// datagram within it, so no message can be longer, and a datagram is cut at
// the room the carried bytes leave.
inline constexpr std::size_t receive_buffer_size = 4096;

// Cuts a stream of datagrams into messages by their `length` and hands each
// to the processor: in place where a message lies within one datagram, from
// the carry buffer where it spans two or more.
class message_framer {
  public:
    explicit message_framer(md::processor& processor) : processor_(processor) {}

    // Bytes of the next datagram the buffer has room for.
    std::size_t room() const noexcept { return carry_buffer_.size() - carried_; }

    // Frames the kept bytes of one datagram (at most room()). False once
    // reception has ended: a length of 0, a length the buffer cannot hold, or
    // the processor has finished.
    bool frame(std::span<const char> bytes);

  private:
    // Completes the carried message from the front of `bytes`; `used` grows
    // by what it took.
    bool complete_carried(std::span<const char> bytes, std::size_t& used);
    // False when `length` ends reception.
    bool acceptable(std::size_t length);
    void handle(const char* message, std::size_t length);

    md::processor& processor_;
    std::array<char, receive_buffer_size> carry_buffer_{};
    std::size_t carried_ = 0;
};

// Reads the source until the processor has finished, a length of 0, an empty
// datagram, a length the buffer cannot hold, or the end of the input, and
// frames each datagram; exceptions of the source pass through.
void receive_loop(md::processor& processor, datagram_source& source);

// The sequence check of one message with sequence number `seq_num`.
void check_sequence(md::processor& processor, unsigned int seq_num);

}  // namespace tarn
