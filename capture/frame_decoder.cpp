#include "capture/frame_decoder.hpp"

#include "capture/frame_numbers.hpp"

#include <pcap/dlt.h>

#include <algorithm>

namespace tarn::capture {

namespace {

constexpr std::uint16_t ethertype_vlan = 0x8100;
constexpr std::uint16_t ethertype_qinq = 0x88A8;
constexpr std::uint32_t bsd_af_inet = 2;

std::uint16_t load_u16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8U | bytes[at + 1]);
}

// The IP datagram after the link header, or empty when the frame carries
// something other than IPv4.
std::span<const std::uint8_t> ip_part(int link_type, std::span<const std::uint8_t> frame) {
    std::size_t at = 0;
    std::uint16_t ethertype = 0;
    switch (link_type) {
        case DLT_EN10MB:
            at = 12;
            while (frame.size() >= at + 2 && ((ethertype = load_u16(frame, at)) == ethertype_vlan ||
                                              ethertype == ethertype_qinq)) {
                at += 4;  // a VLAN tag: its type, then the tag control information
            }
            at += 2;
            break;
        case DLT_LINUX_SLL:
            ethertype = frame.size() >= 16 ? load_u16(frame, 14) : 0;
            at = 16;
            break;
        case DLT_LINUX_SLL2:
            ethertype = frame.size() >= 20 ? load_u16(frame, 0) : 0;
            at = 20;
            break;
        case DLT_RAW:
        case DLT_IPV4:
            ethertype = ethertype_ipv4;
            break;
        case DLT_NULL: {
            // The address family in the byte order of the capturing host.
            if (frame.size() < 4) {
                return {};
            }
            const std::uint32_t family = frame[0] | frame[1] << 8U | frame[2] << 16U |
                                         static_cast<std::uint32_t>(frame[3]) << 24U;
            ethertype = family == bsd_af_inet || family == bsd_af_inet << 24U ? ethertype_ipv4 : 0;
            at = 4;
            break;
        }
        default:
            return {};
    }
    if (ethertype != ethertype_ipv4 || frame.size() <= at) {
        return {};
    }
    return frame.subspan(at);
}

}  // namespace

bool is_supported_link_type(int link_type) {
    switch (link_type) {
        case DLT_EN10MB:
        case DLT_LINUX_SLL:
        case DLT_LINUX_SLL2:
        case DLT_RAW:
        case DLT_IPV4:
        case DLT_NULL:
            return true;
        default:
            return false;
    }
}

decoded_frame decode_frame(int link_type, std::span<const std::uint8_t> frame) {
    decoded_frame result;
    const std::span<const std::uint8_t> ip = ip_part(link_type, frame);
    if (ip.empty() || (ip[0] >> 4U) != 4) {
        return result;
    }
    const std::size_t header_length = static_cast<std::size_t>(ip[0] & 0x0FU) * 4;  // in words
    if (header_length < ipv4_header_size || ip.size() < header_length) {
        result.verdict = ip.size() < ipv4_header_size ? frame_verdict::cut : frame_verdict::not_udp;
        return result;
    }
    if (ip[9] != protocol_udp) {
        return result;
    }
    std::copy_n(ip.begin() + 12, 4, result.source.begin());
    std::copy_n(ip.begin() + 16, 4, result.destination.begin());
    const std::uint16_t fragment_bits = load_u16(ip, 6) & 0x3FFFU;  // more fragments, offset
    if (fragment_bits != 0) {
        result.verdict = frame_verdict::fragment;
        return result;
    }
    const std::size_t total_length = load_u16(ip, 2);
    if (total_length < header_length + udp_header_size) {
        return result;  // not a well-formed UDP datagram
    }
    if (ip.size() < total_length) {
        result.verdict = frame_verdict::cut;
        return result;
    }
    const std::span<const std::uint8_t> udp =
        ip.subspan(header_length, total_length - header_length);
    const std::size_t udp_length = load_u16(udp, 4);
    if (udp_length < udp_header_size || udp_length > udp.size()) {
        return result;
    }
    result.verdict = frame_verdict::udp;
    result.source_port = load_u16(udp, 0);
    result.destination_port = load_u16(udp, 2);
    result.payload = udp.subspan(udp_header_size, udp_length - udp_header_size);
    return result;
}

}  // namespace tarn::capture
