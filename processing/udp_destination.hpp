#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>

namespace tarn {

// Where a datagram went: an IPv4 address as on the wire, and a UDP port.
struct udp_destination {
    std::array<std::uint8_t, 4> address{};
    std::uint16_t port = 0;

    friend bool operator==(const udp_destination&, const udp_destination&) = default;
    friend bool operator<(const udp_destination& a, const udp_destination& b) {
        return std::tie(a.address, a.port) < std::tie(b.address, b.port);
    }
};

// GROUP:PORT ("239.1.1.1:5000") at `at`, which has room for
// destination_text_room characters; returns the end.
inline constexpr std::size_t destination_text_room = sizeof "255.255.255.255:65535" - 1;
char* write_text(char* at, const udp_destination& destination);
std::string text_of(const udp_destination& destination);

}  // namespace tarn
