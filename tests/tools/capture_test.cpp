// Frames and capture files: what md_synth writes and md_replay reads, checked
// by code written independently of the tools' own frame code: offsets,
// lengths and both checksums computed here from first principles.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <span>
#include <string>
#include <vector>

#include "capture/capture_reader.hpp"
#include "capture/capture_writer.hpp"
#include "capture/frame_decoder.hpp"
#include "capture/udp_frame.hpp"
#include "capture_files.hpp"
#include "process.hpp"

namespace tarn::capture {
namespace {

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

std::vector<std::uint8_t> frame_to(std::string_view group, std::uint16_t port,
                                   std::string_view payload) {
    return udp_frame(
        {{0x02, 0, 192, 0, 2, 1}, parse_ipv4("192.0.2.1"), 40000, parse_ipv4(group), port, 32}, 9,
        {reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()});
}

// Payloads of even and odd sizes, one that needs Ethernet padding, and the
// largest, written and read back with their times; the group's high bit
// above the low 23 stays out of the MAC.
TEST(UdpFrame, FramesOfEveryPayloadSizeAreWellFormedAndReadBack) {
    const std::vector<std::size_t> sizes{0, 1, 5, 42, 43, 1400, max_udp_payload};
    std::string bytes;
    for (std::size_t i = 0; i < max_udp_payload; ++i) {
        bytes += static_cast<char>(i * 7 + 3);
    }
    const auto time_of = [](std::size_t size) {
        return 1'700'000'000'123'456'000ULL + size * 1000;
    };
    const std::string path = testing::temporary_file("frames.pcap");
    capture_writer writer(path);
    for (const std::size_t size : sizes) {
        const std::vector<std::uint8_t> frame =
            frame_to("239.200.1.2", 31000, bytes.substr(0, size));
        const udp_frame_view v = take_apart(frame);
        EXPECT_EQ(v.fields, "01:00:5e:48:01:02 2048 " + std::to_string(28 + size) +
                                " 17 0 192.0.2.1 239.200.1.2 31000 " + std::to_string(8 + size));
        EXPECT_TRUE(v.checksums_ok) << size;
        EXPECT_EQ(v.payload, bytes.substr(0, size));
        EXPECT_EQ(frame.size(), std::max<std::size_t>(60, 42 + size));
        writer.write(time_of(size), frame);
    }
    writer.finish();
    capture_reader reader(path);
    for (const std::size_t size : sizes) {
        const auto frame = reader.next();
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->time_ns, time_of(size));
        EXPECT_EQ(std::string(frame->content.payload.begin(), frame->content.payload.end()),
                  bytes.substr(0, size));
    }
    EXPECT_FALSE(reader.next().has_value());
    std::filesystem::remove(path);
    EXPECT_THROW(frame_to("239.1.1.1", 1, std::string(1473, 'x')), std::length_error);
    EXPECT_EQ(parse_ipv4("224.0.0.251"), (ipv4_address{224, 0, 0, 251}));
    EXPECT_THROW(parse_ipv4("239.1.1"), std::invalid_argument);
    EXPECT_THROW(parse_ipv4("239.1.1.256"), std::invalid_argument);
    EXPECT_TRUE(is_multicast(parse_ipv4("239.255.255.255")));
    EXPECT_FALSE(is_multicast(parse_ipv4("240.0.0.1")) ||
                 is_multicast(parse_ipv4("223.255.255.255")));
}

// Padding after the datagram is not payload; VLAN tags, cooked and raw
// captures and BSD loopback all lead to the same datagram; other frames are
// told apart by why they carry none.
TEST(FrameDecoder, EveryLinkTypeFindsTheDatagramOrSaysWhyNot) {
    const std::vector<std::uint8_t> ethernet = frame_to("239.1.2.3", 5000, "market data");
    const auto changed = [&ethernet](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> frame = ethernet;
        frame[at] = value;
        return frame;
    };
    using testing::as_link;
    const struct {
        int link_type;
        std::vector<std::uint8_t> frame;
        frame_verdict verdict;
    } frames[] = {
        {DLT_EN10MB, ethernet, frame_verdict::udp},
        {DLT_EN10MB, as_link(testing::link_ethernet, ethernet, true), frame_verdict::udp},
        {DLT_LINUX_SLL, as_link(testing::link_linux_sll, ethernet), frame_verdict::udp},
        {DLT_LINUX_SLL2, as_link(testing::link_linux_sll2, ethernet), frame_verdict::udp},
        {DLT_RAW, as_link(testing::link_raw, ethernet), frame_verdict::udp},
        {DLT_NULL, as_link(testing::link_null, ethernet), frame_verdict::udp},
        {DLT_EN10MB, changed(13, 0x06), frame_verdict::not_udp},           // ARP
        {DLT_EN10MB, changed(14 + 9, 6), frame_verdict::not_udp},          // TCP
        {DLT_EN10MB, changed(14 + 6, 0x20), frame_verdict::fragment},      // more follow
        {DLT_EN10MB, changed(14 + 7, 0x10), frame_verdict::fragment},      // an offset
        {DLT_EN10MB, changed(14 + 20 + 4, 0x40), frame_verdict::not_udp},  // UDP too long
        {DLT_EN10MB, {ethernet.begin(), ethernet.begin() + 14 + 28 + 5}, frame_verdict::cut},
        {DLT_EN10MB, {ethernet.begin(), ethernet.begin() + 14 + 10}, frame_verdict::cut},
        {DLT_EN10MB, {}, frame_verdict::not_udp},
    };
    for (const auto& f : frames) {
        const decoded_frame d = decode_frame(f.link_type, f.frame);
        EXPECT_EQ(d.verdict, f.verdict) << f.link_type << " " << f.frame.size();
        if (d.verdict == frame_verdict::udp) {
            EXPECT_EQ(d.destination, (ipv4_address{239, 1, 2, 3}));
            EXPECT_EQ(d.destination_port, 5000);
            EXPECT_EQ(std::string(d.payload.begin(), d.payload.end()), "market data");
        }
    }
    EXPECT_FALSE(is_supported_link_type(DLT_IEEE802_11));
}

// The capture on standard output, the report on standard error; every frame
// read with libpcap itself: Ethernet, whole, in time order, with the
// addresses asked for and correct lengths and checksums.
TEST(SynthCommandLine, TheCaptureOnStandardOutputOpensWithLibpcapAndEveryFrameIsWellFormed) {
    auto result =
        testing::run_process({MD_SYNTH_BINARY, "--output", "-", "--messages", "1500", "--seed", "3",
                              "--datagram-size", "600", "--multicast-group", "239.77.1.2", "--port",
                              "4567", "--source-ip", "10.1.2.3", "--source-port", "2345"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::smatch datagrams;  // as many as the report says
    ASSERT_TRUE(std::regex_search(result.err, datagrams,
                                  std::regex("\n  1500 messages .*\n  ([0-9]+) datagrams ")));
    EXPECT_EQ(result.out.substr(0, 4), std::string("\xD4\xC3\xB2\xA1", 4));  // pcap, microseconds
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_fopen_offline(fmemopen(result.out.data(), result.out.size(), "r"), error);
    ASSERT_NE(handle, nullptr) << error;
    EXPECT_EQ(pcap_datalink(handle), DLT_EN10MB);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    std::uint64_t frames = 0, last_time = 0;
    int status = 0;
    while ((status = pcap_next_ex(handle, &header, &data)) == 1) {
        ++frames;
        const auto time = static_cast<std::uint64_t>(header->ts.tv_sec) * 1'000'000 +
                          static_cast<std::uint64_t>(header->ts.tv_usec);
        const udp_frame_view v = take_apart(std::span<const std::uint8_t>(data, header->caplen));
        ASSERT_EQ(header->caplen, header->len);
        ASSERT_TRUE(v.checksums_ok);
        ASSERT_EQ(v.fields, "01:00:5e:4d:01:02 2048 " + std::to_string(28 + v.payload.size()) +
                                " 17 0 10.1.2.3 239.77.1.2 4567 " +
                                std::to_string(8 + v.payload.size()));
        ASSERT_LE(v.payload.size(), 600U);
        ASSERT_GE(time, last_time);
        last_time = time;
    }
    pcap_close(handle);
    EXPECT_EQ(status, PCAP_ERROR_BREAK) << "the capture does not end cleanly";
    EXPECT_EQ(frames, std::stoull(datagrams[1])) << result.err;
}

}  // namespace
}  // namespace tarn::capture
