#pragma once

#include <chrono>
#include <cstdint>

namespace tarn::replay {

// When each datagram of a replay goes out.
struct pacing {
    enum class mode : std::uint8_t {
        capture,  // the capture's own timing, divided by `speed`
        rate,     // `rate` datagrams a second
        fast,     // as fast as the socket takes them
    };
    pacing::mode how = mode::capture;
    double speed = 1.0;
    double rate = 0.0;
};

// How long after the start of the replay datagram number `index` (from 0),
// captured `since_first_ns` after the first one sent, is due.
std::chrono::nanoseconds due_after(const pacing& pace, std::uint64_t index,
                                   std::uint64_t since_first_ns);

}  // namespace tarn::replay
