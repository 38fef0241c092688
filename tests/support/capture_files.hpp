#pragma once

// Capture files written byte by byte from the published formats, without
// libpcap or the project's own writer: classic pcap and pcapng, any link
// type, and the link headers md_dump reads, put in front of an IPv4 datagram.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "capture/udp_frame.hpp"

namespace tarn::testing {

// Link types as capture files number them.
enum link_type : std::uint16_t {
    link_null = 0,  // BSD loopback: the address family in the host's byte order
    link_ethernet = 1,
    link_raw = 101,
    link_linux_sll = 113,
    link_ipv4 = 228,
    link_linux_sll2 = 276,
};

struct captured {
    std::uint64_t time_ns = 0;
    std::vector<std::uint8_t> bytes;  // as captured
    std::size_t wire_length = 0;      // 0: the captured length
};

using u16 = std::uint16_t;
using u32 = std::uint32_t;

// Every value in its own width, little-endian as this host writes (the
// files' magic numbers say so; BSD loopback's family and the pcapng option
// values assume it too).
template <class... T>
std::string fields(T... values) {
    std::string out;
    (out.append(reinterpret_cast<const char*>(&values), sizeof values), ...);
    return out;
}

// The record header of a frame in either format: the captured and wire lengths.
inline std::string lengths(const captured& f) {
    return fields(static_cast<u32>(f.bytes.size()),
                  static_cast<u32>(f.wire_length != 0 ? f.wire_length : f.bytes.size()));
}

// A classic pcap file with nanosecond time stamps, or microsecond ones.
inline std::string pcap_file(u16 link, const std::vector<captured>& frames, bool nano = true,
                             u32 snapshot_length = 65535) {
    std::string file = fields(nano ? u32{0xA1B23C4D} : u32{0xA1B2C3D4}, u16{2}, u16{4}, u32{0},
                              u32{0}, snapshot_length, u32{link});
    for (const captured& f : frames) {
        file.append(fields(static_cast<u32>(f.time_ns / 1'000'000'000),
                           static_cast<u32>(f.time_ns % 1'000'000'000 / (nano ? 1 : 1000))))
            .append(lengths(f))
            .append(f.bytes.begin(), f.bytes.end());
    }
    return file;
}

// A pcapng file: one section, one interface with nanosecond resolution
// (if_tsresol 9), one enhanced packet block per frame, each padded to 32 bits.
inline std::string pcapng_file(u16 link, const std::vector<captured>& frames) {
    std::string file;
    const auto block = [&file](u32 type, std::string body) {
        body.append((4 - body.size() % 4) % 4, '\0');
        const auto length = static_cast<u32>(12 + body.size());
        file.append(fields(type, length)).append(body).append(fields(length));
    };
    block(0x0A0D0D0A, fields(u32{0x1A2B3C4D}, u16{1}, u16{0}, ~std::uint64_t{0}));
    block(1, fields(link, u16{0}, u32{65535}, u16{9}, u16{1}, u32{9}, u32{0}));
    for (const captured& f : frames) {
        block(6, fields(u32{0}, static_cast<u32>(f.time_ns >> 32U), static_cast<u32>(f.time_ns))
                     .append(lengths(f))
                     .append(f.bytes.begin(), f.bytes.end()));
    }
    return file;
}

// An Ethernet frame of one IPv4 datagram as `link` carries it: with two VLAN
// tags when `tagged` (an outer 802.1ad and an inner 802.1Q), behind a cooked
// or loopback header, or bare.
inline std::vector<std::uint8_t> as_link(u16 link, const std::vector<std::uint8_t>& ethernet,
                                         bool tagged = false) {
    std::vector<std::uint8_t> frame;  // the link's header, then the datagram
    if (link == link_ethernet) {
        frame.assign(ethernet.begin(), ethernet.begin() + 12);  // the addresses
        if (tagged) {
            frame.insert(frame.end(), {0x88, 0xA8, 0x00, 0x64, 0x81, 0x00, 0x00, 0x0A});
        }
        frame.insert(frame.end(), {0x08, 0x00});
    } else if (link == link_linux_sll) {
        frame.assign(16, 0);
        frame[14] = 0x08;  // the protocol, IPv4, at its end
    } else if (link == link_linux_sll2) {
        frame.assign(20, 0);
        frame[0] = 0x08;  // the protocol, IPv4, at its start
    } else if (link == link_null) {
        frame.assign({2, 0, 0, 0});
    }
    frame.insert(frame.end(), ethernet.begin() + 14, ethernet.end());
    return frame;
}

// The Ethernet frame of one datagram from 192.0.2.1:40000 to group:port.
inline std::vector<std::uint8_t> frame_to(const std::string& group, std::uint16_t port,
                                          std::string_view payload) {
    return capture::udp_frame(
        {{2, 0, 192, 0, 2, 1},
         capture::parse_ipv4("192.0.2.1"),
         40000,
         capture::parse_ipv4(group),
         port,
         32},
        1, {reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()});
}

}  // namespace tarn::testing
