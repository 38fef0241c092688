// Frames and capture files as the capture library writes and reads them,
// read back by tcpdump; the link types it decodes: ReadCapture.

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_writer.hpp"
#include "capture/frame_decoder.hpp"
#include "capture/udp_frame.hpp"
#include "capture_files.hpp"
#include "log_lines.hpp"
#include "process.hpp"

namespace tarn::capture {
namespace {

// Payloads of even and odd sizes, one that needs Ethernet padding, and the
// largest, written with their times; the group's high bit above the low 23
// stays out of the MAC. (md_dump reads frames back: ReadCapture.)
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
        writer.write(time_of(size), testing::frame_to("239.200.1.2", 31000, bytes.substr(0, size)));
    }
    writer.finish();
    // tcpdump, written apart from this code, reads every header and checks
    // both checksums.
    const std::vector<std::string> read = testing::split_lines(
        testing::run_process({"/bin/sh", "-c", "exec tcpdump -r \"$0\" -nn -vv -e", path}).out);
    ASSERT_EQ(read.size(), 2 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(read[2 * i].substr(read[2 * i].find(' ') + 1),
                  spdlog::fmt_lib::format(
                      "02:00:c0:00:02:01 > 01:00:5e:48:01:02, ethertype IPv4 (0x0800), length {}: "
                      "(tos 0x0, ttl 32, id 1, offset 0, flags [none], proto UDP (17), length {})",
                      std::max<std::size_t>(60, 42 + sizes[i]), 28 + sizes[i]));
        EXPECT_EQ(read[2 * i + 1],
                  "    192.0.2.1.40000 > 239.200.1.2.31000: [udp sum ok] UDP, length " +
                      std::to_string(sizes[i]));
    }
    std::filesystem::remove(path);
    EXPECT_THROW(testing::frame_to("239.1.1.1", 1, std::string(1473, 'x')), std::length_error);
    EXPECT_EQ(parse_ipv4("224.0.0.251"), (ipv4_address{224, 0, 0, 251}));
    EXPECT_THROW(parse_ipv4("239.1.1"), std::invalid_argument);
    EXPECT_THROW(parse_ipv4("239.1.1.256"), std::invalid_argument);
    EXPECT_TRUE(is_multicast(parse_ipv4("239.255.255.255")));
    EXPECT_FALSE(is_multicast(parse_ipv4("240.0.0.1")) ||
                 is_multicast(parse_ipv4("223.255.255.255")));
}

// Frames that carry no whole datagram are told apart by why.
TEST(FrameDecoder, FramesWithoutAWholeDatagramSayWhy) {
    const std::vector<std::uint8_t> ethernet = testing::frame_to("239.1.2.3", 5000, "market data");
    const auto changed = [&ethernet](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> frame = ethernet;
        frame[at] = value;
        return frame;
    };
    const std::pair<std::vector<std::uint8_t>, frame_verdict> frames[] = {
        {ethernet, frame_verdict::udp},
        {changed(13, 0x06), frame_verdict::not_udp},           // ARP
        {changed(14 + 9, 6), frame_verdict::not_udp},          // TCP
        {changed(14 + 6, 0x20), frame_verdict::fragment},      // more follow
        {changed(14 + 7, 0x10), frame_verdict::fragment},      // an offset
        {changed(14 + 20 + 4, 0x40), frame_verdict::not_udp},  // UDP too long
        {{ethernet.begin(), ethernet.begin() + 14 + 28 + 5}, frame_verdict::cut},
        {{ethernet.begin(), ethernet.begin() + 14 + 10}, frame_verdict::cut},
        {{}, frame_verdict::not_udp},
    };
    for (const auto& [frame, verdict] : frames) {
        EXPECT_EQ(decode_frame(DLT_EN10MB, frame).verdict, verdict) << frame.size();
    }
    EXPECT_FALSE(is_supported_link_type(DLT_IEEE802_11));
}

}  // namespace
}  // namespace tarn::capture
