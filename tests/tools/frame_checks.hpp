#pragma once

// Checks of captured frames written independently of the tools' own frame
// code: offsets, lengths and both checksums computed here from first principles.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarn::testing {

inline std::uint16_t big_endian_16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8U | bytes[at + 1]);
}

// The 16-bit one's complement of the one's complement sum of `bytes` (RFC 1071).
inline std::uint16_t internet_checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 2) {
        const std::uint32_t high = bytes[at];
        const std::uint32_t low = at + 1 < bytes.size() ? bytes[at + 1] : 0;
        sum += high << 8U | low;
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16U);
    }
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

// An Ethernet II frame with one IPv4 UDP datagram, taken apart.
struct udp_frame_view {
    std::vector<std::uint8_t> destination_mac;
    std::uint16_t ethertype = 0;
    std::uint16_t ip_total_length = 0;
    std::uint8_t protocol = 0;
    std::uint16_t fragment_bits = 0;
    std::vector<std::uint8_t> source_ip, destination_ip;
    std::uint16_t destination_port = 0;
    std::uint16_t udp_length = 0;
    bool ip_checksum_ok = false;
    bool udp_checksum_ok = false;
    std::string payload;
};

// Reads a frame laid out as Ethernet (14 bytes), IPv4 without options (20
// bytes), UDP (8 bytes); the IPv4 checksum is recomputed with the stored
// one zeroed, the UDP one over its pseudo-header, header and payload.
inline udp_frame_view take_apart(std::span<const std::uint8_t> frame) {
    udp_frame_view v;
    if (frame.size() < 42) {
        return v;
    }
    v.destination_mac.assign(frame.begin(), frame.begin() + 6);
    v.ethertype = big_endian_16(frame, 12);
    const std::span<const std::uint8_t> ip = frame.subspan(14);
    v.ip_total_length = big_endian_16(ip, 2);
    v.fragment_bits = big_endian_16(ip, 6);
    v.protocol = ip[9];
    v.source_ip.assign(ip.begin() + 12, ip.begin() + 16);
    v.destination_ip.assign(ip.begin() + 16, ip.begin() + 20);
    std::vector<std::uint8_t> header(ip.begin(), ip.begin() + 20);
    const std::uint16_t stored_ip_checksum = big_endian_16(ip, 10);
    header[10] = header[11] = 0;
    v.ip_checksum_ok = internet_checksum(header) == stored_ip_checksum;

    const std::span<const std::uint8_t> udp = ip.subspan(20);
    v.destination_port = big_endian_16(udp, 2);
    v.udp_length = big_endian_16(udp, 4);
    if (v.udp_length < 8 || v.udp_length > udp.size()) {
        return v;
    }
    std::vector<std::uint8_t> covered(v.source_ip);
    covered.insert(covered.end(), v.destination_ip.begin(), v.destination_ip.end());
    covered.push_back(0);
    covered.push_back(17);
    covered.push_back(static_cast<std::uint8_t>(v.udp_length >> 8U));
    covered.push_back(static_cast<std::uint8_t>(v.udp_length));
    covered.insert(covered.end(), udp.begin(), udp.begin() + v.udp_length);
    const std::uint16_t stored_udp_checksum = big_endian_16(udp, 6);
    covered[12 + 6] = covered[12 + 7] = 0;
    const std::uint16_t computed = internet_checksum(covered);
    v.udp_checksum_ok = stored_udp_checksum == (computed == 0 ? 0xFFFF : computed);
    v.payload.assign(udp.begin() + 8, udp.begin() + v.udp_length);
    return v;
}

}  // namespace tarn::testing
