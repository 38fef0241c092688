#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarn {

// The most bytes of one datagram a run reads, and the most a message may
// have: the receive loop carries an incomplete message over to the next
// datagram within a buffer of this size.
inline constexpr std::size_t receive_buffer_size = 4096;

// One datagram as its source holds it: the bytes stay valid until the
// source's next call.
struct datagram {
    std::span<const char> bytes;           // what the receiver kept of it
    std::size_t wire_size = 0;             // its length as sent; above bytes.size() when cut
    std::uint64_t time_ns = 0;             // received or captured, since 1970 (UTC); 0: unknown
    std::array<std::uint8_t, 4> sender{};  // the sender's IPv4 address, as on the wire
    std::uint16_t sender_port = 0;         // the sender's UDP port
    std::uint16_t line_index = 0;          // the line it came on, of a source of several
    // No datagram: a source that wakes up (see wake_up_every) found none in
    // its period. The bytes are empty, time_ns is the time of waking.
    bool idle = false;
};

// What a source that wakes up hands out when it found no datagram.
inline datagram idle_datagram(std::uint64_t time_ns) {
    datagram idle;
    idle.time_ns = time_ns;
    idle.idle = true;
    return idle;
}

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
    // ended (the end of a capture) or a stop signal has come.
    virtual std::optional<datagram> next() = 0;

    // Datagrams lost so far, where the source can know it (the kernel's
    // drops for a socket whose receive buffer was full). Asking may cost a
    // system call: the loop asks at the end and at interval ends only.
    virtual std::uint64_t dropped() { return 0; }

    // Asks a source that waits for datagrams (a socket) to come back from
    // next() with an idle datagram whenever `period` passes without one, so
    // work driven by time goes on through silence. False from a source that
    // never waits (a capture, memory): its time is that of its datagrams.
    virtual bool wake_up_every(std::chrono::nanoseconds /*period*/) { return false; }
};

// A source that hands on what another gives, doing something on the way in
// its own next(); the drops and the wake-ups are those of the other.
class forwarding_source : public datagram_source {
  public:
    explicit forwarding_source(datagram_source& from) : from_(from) {}

    std::uint64_t dropped() override { return from_.dropped(); }
    bool wake_up_every(std::chrono::nanoseconds period) override {
        return from_.wake_up_every(period);
    }

  protected:
    datagram_source& from() { return from_; }

  private:
    datagram_source& from_;
};

}  // namespace tarn
