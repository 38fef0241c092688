#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarn::capture {

using ipv4_address = std::array<std::uint8_t, 4>;
using mac_address = std::array<std::uint8_t, 6>;

// Parses dotted-decimal IPv4 text; throws std::invalid_argument otherwise.
ipv4_address parse_ipv4(std::string_view text);

inline bool is_multicast(const ipv4_address& address) { return (address[0] & 0xF0U) == 0xE0U; }

// The Ethernet address a multicast group is sent to: 01:00:5e followed by
// the low 23 bits of the group.
mac_address multicast_mac(const ipv4_address& group);

// Where a datagram goes and where it comes from.
struct udp_route {
    mac_address source_mac;
    ipv4_address source;
    std::uint16_t source_port;
    ipv4_address destination;
    std::uint16_t destination_port;
    std::uint8_t ttl;
};

inline constexpr std::size_t ethernet_header_size = 14;
inline constexpr std::size_t ipv4_header_size = 20;
inline constexpr std::size_t udp_header_size = 8;
// The largest payload an Ethernet frame of 1500 bytes carries without IP fragmentation.
inline constexpr std::size_t max_udp_payload = 1500 - ipv4_header_size - udp_header_size;

// The one's complement sum of 16-bit big-endian words, folded, not inverted;
// `sum` carries a partial sum over from earlier ranges.
std::uint32_t ones_complement_sum(std::span<const std::uint8_t> bytes, std::uint32_t sum = 0);

// The largest payload of one IPv4 UDP datagram.
inline constexpr std::size_t max_ipv4_udp_payload = 65535 - ipv4_header_size - udp_header_size;

// An Ethernet II frame carrying `payload` in one IPv4 UDP datagram, with
// correct lengths and checksums, padded to the 60-byte Ethernet minimum.
// `ip_id` is the IPv4 identification field. Throws std::length_error for a
// payload above max_udp_payload.
std::vector<std::uint8_t> udp_frame(const udp_route& route, std::uint16_t ip_id,
                                    std::span<const std::uint8_t> payload);

// The same frame written into `frame`, replacing what it held, for a datagram
// of `wire_size` payload bytes of which `payload` holds the first: all of
// them, or fewer when the datagram was cut on receipt. Then the lengths still
// say `wire_size`, the frame ends with the bytes there are, and the UDP
// checksum is 0, "none". Returns the frame's length on the wire. Reuses the
// vector's room. Throws std::length_error above max_ipv4_udp_payload.
std::size_t build_udp_frame(std::vector<std::uint8_t>& frame, const udp_route& route,
                            std::uint16_t ip_id, std::span<const std::uint8_t> payload,
                            std::size_t wire_size);

}  // namespace tarn::capture
