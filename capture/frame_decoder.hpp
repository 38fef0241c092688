#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "capture/udp_frame.hpp"

namespace tarn::capture {

// Why a captured frame carries no usable UDP datagram.
enum class frame_verdict : std::uint8_t {
    udp,       // a whole IPv4 UDP datagram
    not_udp,   // another protocol, IPv6, ARP and the like
    fragment,  // a piece of a fragmented IP datagram: not reassembled
    cut,       // shorter than its IP or UDP length says (a small snapshot length)
};

// The addresses are there from `fragment` on when the IPv4 header is whole;
// the ports and the payload only for `udp`.
struct decoded_frame {
    frame_verdict verdict = frame_verdict::not_udp;
    ipv4_address source{};
    std::uint16_t source_port = 0;
    ipv4_address destination{};
    std::uint16_t destination_port = 0;
    std::span<const std::uint8_t> payload;  // within the frame
};

// The link types whose frames decode_frame reads: Ethernet (with VLAN tags),
// Linux cooked captures (v1 and v2), raw IP, and BSD loopback.
bool is_supported_link_type(int link_type);

// The UDP datagram inside one captured frame of `link_type`. Reads only
// inside `frame`: Ethernet padding after the IP datagram is ignored.
decoded_frame decode_frame(int link_type, std::span<const std::uint8_t> frame);

}  // namespace tarn::capture
