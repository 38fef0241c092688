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

namespace tarn::capture {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

udp_route route_to(std::string_view group, std::uint16_t port) {
    return {{0x02, 0, 192, 0, 2, 1}, parse_ipv4("192.0.2.1"), 40000, parse_ipv4(group), port, 32};
}

std::string temporary(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("md_tools_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

// Payloads of even and odd sizes, one that needs Ethernet padding, and the
// largest; the group's high bit above the low 23 stays out of the MAC.
TEST(UdpFrame, LengthsChecksumsAndAddressesHoldForEveryPayloadSize) {
    for (const std::size_t size : {0UL, 1UL, 5UL, 42UL, 43UL, 1400UL, max_udp_payload}) {
        std::vector<std::uint8_t> payload(size);
        for (std::size_t i = 0; i < size; ++i) {
            payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const std::vector<std::uint8_t> frame =
            udp_frame(route_to("239.200.1.2", 31000), static_cast<std::uint16_t>(size), payload);
        const testing::udp_frame_view v = testing::take_apart(frame);
        SCOPED_TRACE(size);
        EXPECT_EQ(v.destination_mac, (std::vector<std::uint8_t>{0x01, 0x00, 0x5E, 0x48, 1, 2}));
        EXPECT_EQ(v.ethertype, 0x0800);
        EXPECT_EQ(v.ip_total_length, 20 + 8 + size);
        EXPECT_EQ(v.udp_length, 8 + size);
        EXPECT_EQ(v.protocol, 17);
        EXPECT_EQ(v.fragment_bits, 0);
        EXPECT_EQ(v.destination_ip, (std::vector<std::uint8_t>{239, 200, 1, 2}));
        EXPECT_EQ(v.destination_port, 31000);
        EXPECT_TRUE(v.ip_checksum_ok);
        EXPECT_TRUE(v.udp_checksum_ok);
        EXPECT_EQ(v.payload, std::string(payload.begin(), payload.end()));
        EXPECT_EQ(frame.size(), std::max<std::size_t>(60, 14 + 20 + 8 + size));
    }
    EXPECT_THROW(udp_frame(route_to("239.1.1.1", 1), 0, std::vector<std::uint8_t>(1473)),
                 std::length_error);
}

TEST(UdpFrame, AddressesParseStrictly) {
    EXPECT_EQ(parse_ipv4("224.0.0.251"), (ipv4_address{224, 0, 0, 251}));
    EXPECT_THROW(parse_ipv4("239.1.1"), std::invalid_argument);
    EXPECT_THROW(parse_ipv4("239.1.1.256"), std::invalid_argument);
    EXPECT_TRUE(is_multicast(parse_ipv4("239.255.255.255")));
    EXPECT_FALSE(is_multicast(parse_ipv4("240.0.0.1")));
    EXPECT_FALSE(is_multicast(parse_ipv4("223.255.255.255")));
}

class FrameDecoder : public ::testing::Test {
  protected:
    const std::vector<std::uint8_t> payload = bytes("market data");
    const std::vector<std::uint8_t> ethernet = udp_frame(route_to("239.1.2.3", 5000), 9, payload);
    // The same datagram without its Ethernet header.
    const std::vector<std::uint8_t> ip{ethernet.begin() + 14, ethernet.begin() + 14 + 20 + 8 + 11};

    void expect_payload(int link_type, const std::vector<std::uint8_t>& frame) {
        const decoded_frame d = decode_frame(link_type, frame);
        ASSERT_EQ(d.verdict, frame_verdict::udp);
        EXPECT_EQ(d.destination, (ipv4_address{239, 1, 2, 3}));
        EXPECT_EQ(d.destination_port, 5000);
        EXPECT_EQ(std::vector<std::uint8_t>(d.payload.begin(), d.payload.end()), payload);
    }
};

// Padding after the datagram is not payload; VLAN tags, cooked and raw
// captures and BSD loopback all lead to the same datagram.
TEST_F(FrameDecoder, EveryLinkTypeFindsTheSameDatagram) {
    expect_payload(DLT_EN10MB, ethernet);

    std::vector<std::uint8_t> tagged(ethernet.begin(), ethernet.begin() + 12);
    for (const std::uint8_t b : {0x88, 0xA8, 0x00, 0x64, 0x81, 0x00, 0x00, 0x0A}) {
        tagged.push_back(b);  // an outer and an inner VLAN tag
    }
    tagged.insert(tagged.end(), ethernet.begin() + 12, ethernet.end());
    expect_payload(DLT_EN10MB, tagged);

    std::vector<std::uint8_t> cooked(14, 0);
    cooked.push_back(0x08);
    cooked.push_back(0x00);
    cooked.insert(cooked.end(), ip.begin(), ip.end());
    expect_payload(DLT_LINUX_SLL, cooked);

    std::vector<std::uint8_t> cooked2{0x08, 0x00};
    cooked2.resize(20, 0);
    cooked2.insert(cooked2.end(), ip.begin(), ip.end());
    expect_payload(DLT_LINUX_SLL2, cooked2);

    expect_payload(DLT_RAW, ip);
    std::vector<std::uint8_t> loopback{2, 0, 0, 0};
    loopback.insert(loopback.end(), ip.begin(), ip.end());
    expect_payload(DLT_NULL, loopback);
}

TEST_F(FrameDecoder, NamesWhyAFrameCarriesNoDatagram) {
    std::vector<std::uint8_t> arp = ethernet;
    arp[12] = 0x08;
    arp[13] = 0x06;
    EXPECT_EQ(decode_frame(DLT_EN10MB, arp).verdict, frame_verdict::not_udp);

    std::vector<std::uint8_t> tcp = ethernet;
    tcp[14 + 9] = 6;
    EXPECT_EQ(decode_frame(DLT_EN10MB, tcp).verdict, frame_verdict::not_udp);

    std::vector<std::uint8_t> first_fragment = ethernet;
    first_fragment[14 + 6] = 0x20;  // more fragments follow
    EXPECT_EQ(decode_frame(DLT_EN10MB, first_fragment).verdict, frame_verdict::fragment);
    std::vector<std::uint8_t> later_fragment = ethernet;
    later_fragment[14 + 7] = 0x10;  // an offset
    EXPECT_EQ(decode_frame(DLT_EN10MB, later_fragment).verdict, frame_verdict::fragment);

    const std::vector<std::uint8_t> cut(ethernet.begin(), ethernet.begin() + 14 + 20 + 8 + 5);
    EXPECT_EQ(decode_frame(DLT_EN10MB, cut).verdict, frame_verdict::cut);
    const std::vector<std::uint8_t> stub(ethernet.begin(), ethernet.begin() + 14 + 10);
    EXPECT_EQ(decode_frame(DLT_EN10MB, stub).verdict, frame_verdict::cut);

    std::vector<std::uint8_t> bad_udp_length = ethernet;
    bad_udp_length[14 + 20 + 4] = 0x40;  // longer than the IP datagram
    EXPECT_EQ(decode_frame(DLT_EN10MB, bad_udp_length).verdict, frame_verdict::not_udp);

    EXPECT_EQ(decode_frame(DLT_EN10MB, {}).verdict, frame_verdict::not_udp);
    EXPECT_FALSE(is_supported_link_type(DLT_IEEE802_11));
}

TEST(CaptureFile, WrittenFramesReadBackWithTheirTimesInOrder) {
    const std::string path = temporary("roundtrip.pcap");
    {
        capture_writer writer(path);
        for (std::uint16_t i = 0; i < 5; ++i) {
            const std::vector<std::uint8_t> payload = bytes("datagram " + std::to_string(i));
            writer.write(1'700'000'000'123'456'000ULL + i * 1'000'000ULL,
                         udp_frame(route_to("239.9.9.9", 9000 + i), i, payload));
        }
        writer.finish();
    }
    capture_reader reader(path);
    for (std::uint16_t i = 0; i < 5; ++i) {
        const auto frame = reader.next();
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->time_ns, 1'700'000'000'123'456'000ULL + i * 1'000'000ULL);
        EXPECT_EQ(frame->content.destination_port, 9000 + i);
        EXPECT_EQ(std::string(frame->content.payload.begin(), frame->content.payload.end()),
                  "datagram " + std::to_string(i));
    }
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_EQ(reader.frames(), 5U);
    std::filesystem::remove(path);
}

TEST(CaptureFile, DamagedFilesAreRefusedWithTheirName) {
    auto message_of = [](const std::string& path) -> std::string {
        try {
            capture_reader reader(path);
            while (reader.next()) {
            }
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    };
    const std::string missing = temporary("missing.pcap");
    EXPECT_NE(message_of(missing).find(missing), std::string::npos);

    const std::string text = temporary("text.pcap");
    std::ofstream(text) << "this is not a capture, only some text that is long enough\n";
    EXPECT_NE(message_of(text).find("cannot read capture " + text), std::string::npos);

    const std::string whole = temporary("whole.pcap");
    {
        capture_writer writer(whole);
        for (std::uint16_t i = 0; i < 3; ++i) {
            writer.write(i,
                         udp_frame(route_to("239.9.9.9", 9000), i, std::vector<std::uint8_t>(100)));
        }
        writer.finish();
    }
    const std::string cut = temporary("cut.pcap");
    std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(whole) - 30);
    const std::string damage = message_of(cut);
    EXPECT_NE(damage.find(cut), std::string::npos) << damage;
    EXPECT_NE(damage.find("after frame 2"), std::string::npos) << damage;
    EXPECT_NE(damage.find("truncated"), std::string::npos) << damage;
    for (const std::string& path : {text, whole, cut}) {
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace tarn::capture
