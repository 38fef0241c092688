#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarn {

// One datagram as its source holds it: the bytes stay valid until the
// source's next call.
struct datagram {
    std::span<const char> bytes;           // what the receiver kept of it
    std::size_t wire_size = 0;             // its length as sent; above bytes.size() when cut
    std::uint64_t time_ns = 0;             // received or captured, since 1970 (UTC); 0: unknown
    std::array<std::uint8_t, 4> sender{};  // the sender's IPv4 address, as on the wire
    std::uint16_t sender_port = 0;         // the sender's UDP port
};

// Where datagrams come from: the multicast socket, a capture file, or memory
// in tests and benchmarks.
class datagram_source {
  public:
    datagram_source() = default;
    datagram_source(const datagram_source&) = delete;
    datagram_source& operator=(const datagram_source&) = delete;
    datagram_source(datagram_source&&) = delete;
    datagram_source& operator=(datagram_source&&) = delete;
    virtual ~datagram_source() = default;

    // Blocks until the next datagram is there; nothing once the input has
    // ended (the end of a capture). A socket never ends by itself.
    virtual std::optional<datagram> next() = 0;
};

}  // namespace tarn
