// Frames and capture files: what md_synth writes and md_replay reads.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_reader.hpp"
#include "capture/capture_writer.hpp"
#include "capture/frame_decoder.hpp"
#include "capture/udp_frame.hpp"
#include "capture_files.hpp"
#include "frame_checks.hpp"
#include "process.hpp"

namespace tarn::capture {
namespace {

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
        const testing::udp_frame_view v = testing::take_apart(frame);
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

}  // namespace
}  // namespace tarn::capture
