#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "random_source.hpp"

namespace tarn::synth {

// A message as it goes out, and when it was ready to go.
struct stamped_message {
    std::uint64_t time_ns;
    std::string bytes;
};

// One datagram's payload and the time it leaves.
struct datagram {
    std::uint64_t time_ns;
    std::string payload;
};

// Lays messages end to end into datagrams of at most `datagram_size` bytes,
// as a sender does: a message that does not fit the room left is sometimes
// moved whole to the next datagram and sometimes split, its rest opening the
// next datagram (receivers carry an incomplete message over). A message
// larger than a datagram is always split. With `whole_messages` a message
// that fits a datagram is always moved.
class datagram_packer {
  public:
    datagram_packer(random_source& random, std::size_t datagram_size, bool whole_messages = false);

    // Packs one burst; the burst's last datagram is closed, so no message
    // continues into the next burst. Datagrams leave when their last byte is
    // ready, never before an earlier datagram.
    void pack(std::span<const stamped_message> burst, std::vector<datagram>& out);

    // How many messages so far were cut by a datagram boundary.
    std::uint64_t split_messages() const { return split_messages_; }

  private:
    void close(std::vector<datagram>& out);

    random_source& random_;
    std::size_t datagram_size_;
    bool whole_messages_;
    datagram open_{};
    std::uint64_t last_time_ = 0;
    std::uint64_t split_messages_ = 0;
};

}  // namespace tarn::synth
