// Frames and capture files: what md_synth writes and md_replay reads.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/capture_reader.hpp"
#include "capture/capture_writer.hpp"
#include "capture/frame_decoder.hpp"
#include "capture/udp_frame.hpp"
#include "frame_checks.hpp"
#include "process.hpp"

namespace tarn::capture {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> frame_to(std::string_view group, std::uint16_t port,
                                   std::span<const std::uint8_t> payload) {
    return udp_frame(
        {{0x02, 0, 192, 0, 2, 1}, parse_ipv4("192.0.2.1"), 40000, parse_ipv4(group), port, 32}, 9,
        payload);
}

// Payloads of even and odd sizes, one that needs Ethernet padding, and the
// largest; the group's high bit above the low 23 stays out of the MAC.
TEST(UdpFrame, LengthsChecksumsAndAddressesHoldForEveryPayloadSize) {
    for (const std::size_t size : {0UL, 1UL, 5UL, 42UL, 43UL, 1400UL, max_udp_payload}) {
        std::vector<std::uint8_t> payload(size);
        for (std::size_t i = 0; i < size; ++i) {
            payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const std::vector<std::uint8_t> frame = frame_to("239.200.1.2", 31000, payload);
        const testing::udp_frame_view v = testing::take_apart(frame);
        EXPECT_EQ(v.fields, "01:00:5e:48:01:02 2048 " + std::to_string(28 + size) +
                                " 17 0 192.0.2.1 239.200.1.2 31000 " + std::to_string(8 + size));
        EXPECT_TRUE(v.checksums_ok) << size;
        EXPECT_EQ(v.payload, std::string(payload.begin(), payload.end()));
        EXPECT_EQ(frame.size(), std::max<std::size_t>(60, 42 + size));
    }
    EXPECT_THROW(frame_to("239.1.1.1", 1, std::vector<std::uint8_t>(1473)), std::length_error);
    EXPECT_EQ(parse_ipv4("224.0.0.251"), (ipv4_address{224, 0, 0, 251}));
    EXPECT_THROW(parse_ipv4("239.1.1"), std::invalid_argument);
    EXPECT_THROW(parse_ipv4("239.1.1.256"), std::invalid_argument);
    EXPECT_TRUE(is_multicast(parse_ipv4("239.255.255.255")));
    EXPECT_FALSE(is_multicast(parse_ipv4("240.0.0.1")));
    EXPECT_FALSE(is_multicast(parse_ipv4("223.255.255.255")));
}

// Padding after the datagram is not payload; VLAN tags, cooked and raw
// captures and BSD loopback all lead to the same datagram; other frames are
// told apart by why they carry none.
TEST(FrameDecoder, EveryLinkTypeFindsTheDatagramOrSaysWhyNot) {
    const std::vector<std::uint8_t> payload = bytes("market data");
    const std::vector<std::uint8_t> ethernet = frame_to("239.1.2.3", 5000, payload);
    const std::vector<std::uint8_t> ip(ethernet.begin() + 14, ethernet.begin() + 14 + 28 + 11);
    const auto with = [](std::vector<std::uint8_t> head, const std::vector<std::uint8_t>& rest) {
        head.insert(head.end(), rest.begin(), rest.end());
        return head;
    };
    const auto changed = [&ethernet](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> frame = ethernet;
        frame[at] = value;
        return frame;
    };
    std::vector<std::uint8_t> tagged(ethernet.begin(), ethernet.begin() + 12);
    tagged.insert(tagged.end(), {0x88, 0xA8, 0x00, 0x64, 0x81, 0x00, 0x00, 0x0A});  // two tags
    tagged.insert(tagged.end(), ethernet.begin() + 12, ethernet.end());
    std::vector<std::uint8_t> cooked2{0x08, 0x00};
    cooked2.resize(20, 0);
    const struct {
        int link_type;
        std::vector<std::uint8_t> frame;
        frame_verdict verdict;
    } frames[] = {
        {DLT_EN10MB, ethernet, frame_verdict::udp},
        {DLT_EN10MB, tagged, frame_verdict::udp},
        {DLT_LINUX_SLL, with({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x00}, ip),
         frame_verdict::udp},
        {DLT_LINUX_SLL2, with(cooked2, ip), frame_verdict::udp},
        {DLT_RAW, ip, frame_verdict::udp},
        {DLT_NULL, with({2, 0, 0, 0}, ip), frame_verdict::udp},
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
            EXPECT_EQ(std::vector<std::uint8_t>(d.payload.begin(), d.payload.end()), payload);
        }
    }
    EXPECT_FALSE(is_supported_link_type(DLT_IEEE802_11));
}

// Frames read back with their times in order; damaged files are refused
// with their name and what went wrong.
TEST(CaptureFile, WrittenFramesReadBackAndDamagedFilesAreRefused) {
    const std::string whole = testing::temporary_file("whole.pcap"),
                      cut = testing::temporary_file("cut.pcap"),
                      text = testing::temporary_file("text.pcap");
    {
        capture_writer writer(whole);
        for (std::uint16_t i = 0; i < 3; ++i) {
            writer.write(1'700'000'000'123'456'000ULL + i * 1'000'000ULL,
                         frame_to("239.9.9.9", 9000 + i, bytes("datagram " + std::to_string(i))));
        }
        writer.finish();
    }
    capture_reader reader(whole);
    for (std::uint16_t i = 0; i < 3; ++i) {
        const auto frame = reader.next();
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->time_ns, 1'700'000'000'123'456'000ULL + i * 1'000'000ULL);
        EXPECT_EQ(frame->content.destination_port, 9000 + i);
        EXPECT_EQ(std::string(frame->content.payload.begin(), frame->content.payload.end()),
                  "datagram " + std::to_string(i));
    }
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_EQ(reader.frames(), 3U);

    const auto error_of = [](const std::string& path) -> std::string {
        try {
            capture_reader damaged(path);
            while (damaged.next()) {
            }
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    };
    std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(whole) - 30);
    std::ofstream(text) << "this is not a capture, only some text that is long enough\n";
    const std::string missing = testing::temporary_file("missing.pcap");
    EXPECT_NE(error_of(missing).find(missing), std::string::npos);
    EXPECT_NE(error_of(text).find("cannot read capture " + text), std::string::npos);
    const std::string damage = error_of(cut);
    for (const std::string& part : {cut, std::string("after frame 2"), std::string("truncated")}) {
        EXPECT_NE(damage.find(part), std::string::npos) << damage;
    }
    for (const std::string& path : {whole, cut, text}) {
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace tarn::capture
