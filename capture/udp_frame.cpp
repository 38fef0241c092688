#include "capture/udp_frame.hpp"

#include "capture/frame_numbers.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tarn::capture {

namespace {

constexpr std::size_t min_ethernet_frame = 60;  // without the frame check sequence

// Appends big-endian values: every field of these headers is in network order.
class frame_writer {
  public:
    explicit frame_writer(std::vector<std::uint8_t>& out) : out_(out) {}
    frame_writer& u8(std::uint8_t value) {
        out_.push_back(value);
        return *this;
    }
    frame_writer& u16(std::uint16_t value) {
        return u8(static_cast<std::uint8_t>(value >> 8U)).u8(static_cast<std::uint8_t>(value));
    }
    template <std::size_t N>
    frame_writer& bytes(const std::array<std::uint8_t, N>& value) {
        out_.insert(out_.end(), value.begin(), value.end());
        return *this;
    }

  private:
    std::vector<std::uint8_t>& out_;
};

std::uint16_t fold_and_invert(std::uint32_t sum) {
    while ((sum >> 16U) != 0) {
        sum = (sum & 0xFFFFU) + (sum >> 16U);
    }
    return static_cast<std::uint16_t>(~sum);
}

void store_u16(std::vector<std::uint8_t>& frame, std::size_t at, std::uint16_t value) {
    frame[at] = static_cast<std::uint8_t>(value >> 8U);
    frame[at + 1] = static_cast<std::uint8_t>(value);
}

}  // namespace

ipv4_address parse_ipv4(std::string_view text) {
    const std::string copy(text);
    in_addr parsed{};
    if (inet_pton(AF_INET, copy.c_str(), &parsed) != 1) {
        throw std::invalid_argument("not an IPv4 address: " + copy);
    }
    ipv4_address address{};
    std::memcpy(address.data(), &parsed.s_addr, address.size());
    return address;
}

mac_address multicast_mac(const ipv4_address& group) {
    return {0x01, 0x00, 0x5E, static_cast<std::uint8_t>(group[1] & 0x7FU), group[2], group[3]};
}

std::uint32_t ones_complement_sum(std::span<const std::uint8_t> bytes, std::uint32_t sum) {
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        sum += static_cast<std::uint32_t>(bytes[at] << 8U | bytes[at + 1]);
    }
    if (at < bytes.size()) {
        sum += static_cast<std::uint32_t>(bytes[at] << 8U);  // an odd byte is padded with zero
    }
    while ((sum >> 16U) != 0) {
        sum = (sum & 0xFFFFU) + (sum >> 16U);
    }
    return sum;
}

std::vector<std::uint8_t> udp_frame(const udp_route& route, std::uint16_t ip_id,
                                    std::span<const std::uint8_t> payload) {
    if (payload.size() > max_udp_payload) {
        throw std::length_error("a UDP payload of " + std::to_string(payload.size()) +
                                " bytes needs IP fragmentation");
    }
    std::vector<std::uint8_t> frame;
    build_udp_frame(frame, route, ip_id, payload, payload.size());
    return frame;
}

std::size_t build_udp_frame(std::vector<std::uint8_t>& frame, const udp_route& route,
                            std::uint16_t ip_id, std::span<const std::uint8_t> payload,
                            std::size_t wire_size) {
    wire_size = std::max(wire_size, payload.size());
    if (wire_size > max_ipv4_udp_payload) {
        throw std::length_error("a UDP payload of " + std::to_string(wire_size) +
                                " bytes does not fit an IPv4 datagram");
    }
    const auto udp_length = static_cast<std::uint16_t>(udp_header_size + wire_size);
    const auto ip_length = static_cast<std::uint16_t>(ipv4_header_size + udp_length);

    frame.clear();
    frame_writer out(frame);
    out.bytes(multicast_mac(route.destination)).bytes(route.source_mac).u16(ethertype_ipv4);

    const std::size_t ip_at = frame.size();
    out.u8(0x45)  // version 4, five 32-bit words of header
        .u8(0)    // type of service
        .u16(ip_length)
        .u16(ip_id)
        .u16(0)  // not fragmented, fragments allowed
        .u8(route.ttl)
        .u8(protocol_udp)
        .u16(0)  // header checksum, filled in below
        .bytes(route.source)
        .bytes(route.destination);
    store_u16(frame, ip_at + 10,
              fold_and_invert(ones_complement_sum(
                  std::span<const std::uint8_t>(frame).subspan(ip_at, ipv4_header_size))));

    const std::size_t udp_at = frame.size();
    out.u16(route.source_port).u16(route.destination_port).u16(udp_length).u16(0);
    frame.insert(frame.end(), payload.begin(), payload.end());
    if (payload.size() < wire_size) {
        return ethernet_header_size + ip_length;  // cut: no checksum over bytes not there
    }

    // The UDP checksum covers a pseudo-header of both addresses, the protocol
    // and the UDP length, then the UDP header and payload.
    std::array<std::uint8_t, 12> pseudo{};
    std::copy(route.source.begin(), route.source.end(), pseudo.begin());
    std::copy(route.destination.begin(), route.destination.end(), pseudo.begin() + 4);
    pseudo[9] = protocol_udp;
    pseudo[10] = static_cast<std::uint8_t>(udp_length >> 8U);
    pseudo[11] = static_cast<std::uint8_t>(udp_length);
    std::uint16_t udp_checksum = fold_and_invert(ones_complement_sum(
        std::span<const std::uint8_t>(frame).subspan(udp_at), ones_complement_sum(pseudo)));
    if (udp_checksum == 0) {
        udp_checksum = 0xFFFF;  // 0 would mean "no checksum"
    }
    store_u16(frame, udp_at + 6, udp_checksum);

    if (frame.size() < min_ethernet_frame) {
        frame.resize(min_ethernet_frame, 0);  // padding, as the wire shows short frames
    }
    return frame.size();
}

}  // namespace tarn::capture
