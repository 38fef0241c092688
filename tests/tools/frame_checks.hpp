#pragma once

// Checks of captured frames written independently of the tools' own frame
// code: offsets, lengths and both checksums computed here from first principles.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace tarn::testing {

// The 16-bit one's complement of the one's complement sum of `bytes` (RFC 1071).
inline std::uint16_t internet_checksum(std::span<const std::uint8_t> bytes) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 2) {
        sum += static_cast<std::uint32_t>(bytes[at] << 8U) +
               (at + 1 < bytes.size() ? bytes[at + 1] : 0);
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16U);
    }
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

// An Ethernet II frame with one IPv4 UDP datagram, taken apart: Ethernet
// (14 bytes), IPv4 without options (20 bytes), UDP (8 bytes). Addresses and
// numbers in a text, "mac ethertype ip-length protocol fragment-bits source
// destination port udp-length", both checksums verified, and the payload.
struct udp_frame_view {
    std::string fields;
    bool checksums_ok = false;
    std::string payload;
};

inline udp_frame_view take_apart(std::span<const std::uint8_t> frame) {
    if (frame.size() < 42) {
        return {};
    }
    const auto u16 = [&frame](std::size_t at) { return frame[at] << 8U | frame[at + 1]; };
    const auto f = [&frame](std::size_t at) { return frame[at]; };
    char fields[128];
    std::snprintf(fields, sizeof fields,
                  "%02x:%02x:%02x:%02x:%02x:%02x %d %d %d %d %d.%d.%d.%d %d.%d.%d.%d %d %d", f(0),
                  f(1), f(2), f(3), f(4), f(5), u16(12), u16(16), f(23), u16(20), f(26), f(27),
                  f(28), f(29), f(30), f(31), f(32), f(33), u16(36), u16(38));
    udp_frame_view v{fields, false, ""};
    const std::size_t udp_length = u16(38);
    if (udp_length < 8 || 34 + udp_length > frame.size()) {
        return v;
    }
    // The UDP checksum covers a pseudo-header: both addresses, the protocol
    // and the UDP length; 0 would mean "none", so it is sent as 0xFFFF.
    std::vector<std::uint8_t> covered(frame.begin() + 26, frame.begin() + 34);
    covered.insert(covered.end(), {0, 17, frame[38], frame[39]});
    covered.insert(covered.end(), frame.begin() + 34, frame.begin() + 40);
    covered.insert(covered.end(), {0, 0});  // the checksum itself
    covered.insert(covered.end(), frame.begin() + 42, frame.begin() + 34 + udp_length);
    const std::uint16_t udp = internet_checksum(covered);
    v.checksums_ok =
        internet_checksum(frame.subspan(14, 20)) == 0 && u16(40) == (udp == 0 ? 0xFFFF : udp);
    v.payload.assign(frame.begin() + 42, frame.begin() + 34 + udp_length);
    return v;
}

}  // namespace tarn::testing
