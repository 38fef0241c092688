#pragma once

// Capture files written byte by byte from the published formats, without
// libpcap or the project's own writer: classic pcap and pcapng, any link
// type, and the link headers md_dump reads, put in front of an IPv4 datagram.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

class byte_appender {
  public:
    explicit byte_appender(std::string& out) : out_(out) {}
    template <class T>
    byte_appender& le(T value) {  // little-endian, as this host writes
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            out_ += static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i));
        }
        return *this;
    }
    byte_appender& bytes(std::span<const std::uint8_t> data, std::size_t pad_to = 1) {
        out_.append(reinterpret_cast<const char*>(data.data()), data.size());
        out_.append((pad_to - data.size() % pad_to) % pad_to, '\0');
        return *this;
    }

  private:
    std::string& out_;
};

// A classic pcap file with nanosecond time stamps.
inline std::string pcap_file(std::uint16_t link, const std::vector<captured>& frames) {
    std::string file;
    byte_appender out(file);
    out.le<std::uint32_t>(0xA1B23C4D).le<std::uint16_t>(2).le<std::uint16_t>(4);
    out.le<std::uint32_t>(0).le<std::uint32_t>(0).le<std::uint32_t>(65535).le<std::uint32_t>(link);
    for (const captured& frame : frames) {
        out.le<std::uint32_t>(static_cast<std::uint32_t>(frame.time_ns / 1'000'000'000))
            .le<std::uint32_t>(static_cast<std::uint32_t>(frame.time_ns % 1'000'000'000))
            .le<std::uint32_t>(static_cast<std::uint32_t>(frame.bytes.size()))
            .le<std::uint32_t>(static_cast<std::uint32_t>(
                frame.wire_length != 0 ? frame.wire_length : frame.bytes.size()))
            .bytes(frame.bytes);
    }
    return file;
}

// A pcapng file: one section, one interface with nanosecond resolution, one
// enhanced packet block per frame.
inline std::string pcapng_file(std::uint16_t link, const std::vector<captured>& frames) {
    std::string file;
    auto block = [&file](std::uint32_t type, const std::string& body) {
        const auto length = static_cast<std::uint32_t>(12 + body.size());
        byte_appender(file).le(type).le(length);
        file += body;
        byte_appender(file).le(length);
    };
    std::string body;
    byte_appender(body)
        .le<std::uint32_t>(0x1A2B3C4D)
        .le<std::uint16_t>(1)
        .le<std::uint16_t>(0)
        .le(~std::uint64_t{0});
    block(0x0A0D0D0A, body);
    body.clear();
    // if_tsresol 9: nanoseconds; then the end of the options.
    byte_appender(body)
        .le(link)
        .le<std::uint16_t>(0)
        .le<std::uint32_t>(65535)
        .le<std::uint16_t>(9)
        .le<std::uint16_t>(1)
        .le<std::uint32_t>(9)
        .le<std::uint32_t>(0);
    block(1, body);
    for (const captured& frame : frames) {
        body.clear();
        byte_appender(body)
            .le<std::uint32_t>(0)
            .le(static_cast<std::uint32_t>(frame.time_ns >> 32U))
            .le(static_cast<std::uint32_t>(frame.time_ns))
            .le(static_cast<std::uint32_t>(frame.bytes.size()))
            .le(static_cast<std::uint32_t>(frame.wire_length != 0 ? frame.wire_length
                                                                  : frame.bytes.size()))
            .bytes(frame.bytes, 4);
        block(6, body);
    }
    return file;
}

// An Ethernet frame of one IPv4 datagram as `link` carries it: with two VLAN
// tags when `tagged`, behind a cooked or loopback header, or bare.
inline std::vector<std::uint8_t> as_link(std::uint16_t link,
                                         const std::vector<std::uint8_t>& ethernet,
                                         bool tagged = false) {
    const auto ip = ethernet.begin() + 14;
    std::vector<std::uint8_t> frame;
    switch (link) {
        case link_ethernet:
            frame.assign(ethernet.begin(), ethernet.begin() + 12);
            if (tagged) {  // an outer 802.1ad and an inner 802.1Q tag
                frame.insert(frame.end(), {0x88, 0xA8, 0x00, 0x64, 0x81, 0x00, 0x00, 0x0A});
            }
            frame.insert(frame.end(), ethernet.begin() + 12, ethernet.end());
            return frame;
        case link_linux_sll:
            frame.assign(14, 0);
            frame.insert(frame.end(), {0x08, 0x00});
            break;
        case link_linux_sll2:
            frame.assign({0x08, 0x00});
            frame.resize(20, 0);
            break;
        case link_null:
            frame.assign({2, 0, 0, 0});
            break;
        default:
            break;
    }
    frame.insert(frame.end(), ip, ethernet.end());
    return frame;
}

}  // namespace tarn::testing
