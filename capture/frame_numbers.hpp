#pragma once

#include <cstdint>

namespace tarn::capture {

// The numbers an Ethernet frame and its IPv4 header name their payload by.
inline constexpr std::uint16_t ethertype_ipv4 = 0x0800;
inline constexpr std::uint8_t protocol_udp = 17;

}  // namespace tarn::capture
