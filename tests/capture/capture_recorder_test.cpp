// The recorder of received datagrams, read back with libpcap.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_recorder.hpp"
#include "capture/frame_decoder.hpp"
#include "process.hpp"

namespace tarn::capture {
namespace {

struct frame_read {
    std::uint64_t time_ns;
    std::size_t wire_length;
    std::vector<std::uint8_t> bytes;
};

std::vector<frame_read> read_back(const std::string& path) {
    std::array<char, PCAP_ERRBUF_SIZE> error{};
    pcap_t* handle = pcap_open_offline_with_tstamp_precision(
        path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error.data());
    if (handle == nullptr) {
        throw std::runtime_error(error.data());
    }
    std::vector<frame_read> frames;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (pcap_next_ex(handle, &header, &data) == 1) {
        frames.push_back({static_cast<std::uint64_t>(header->ts.tv_sec) * 1'000'000'000U +
                              static_cast<std::uint64_t>(header->ts.tv_usec),
                          header->len, std::vector<std::uint8_t>(data, data + header->caplen)});
    }
    pcap_close(handle);
    return frames;
}

std::uint16_t u16_at(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) << 8U | bytes.at(at + 1));
}

// A whole datagram keeps its sender, destination, nanosecond time and
// bytes; one cut on receipt keeps its full length on the wire and its kept
// bytes, and claims no checksum it cannot have.
TEST(CaptureRecorder, WholeAndCutDatagramsKeepWhatWasReceived) {
    const std::string path = testing::temporary_file("recorder.pcap");
    const std::string whole = "whole datagram";
    const std::string kept(4096, 'k');
    {
        capture_recorder recorder(path);
        const udp_destination to{{239, 1, 2, 3}, 5000};
        recorder.record({.bytes = whole,
                         .wire_size = whole.size(),
                         .time_ns = 1'772'438'400'123'456'789ULL,
                         .sender = {10, 0, 0, 7},
                         .sender_port = 40001},
                        to);
        recorder.record({.bytes = kept,
                         .wire_size = 9000,
                         .time_ns = 1'772'438'400'123'456'790ULL,
                         .sender = {10, 0, 0, 8},
                         .sender_port = 40002},
                        to);
    }  // the file is complete once the recorder is gone
    const std::vector<frame_read> frames = read_back(path);
    ASSERT_EQ(frames.size(), 2U);

    const frame_read& first = frames[0];
    EXPECT_EQ(first.time_ns, 1'772'438'400'123'456'789ULL);
    EXPECT_EQ(first.wire_length, 60U);  // padded to the Ethernet minimum
    const decoded_frame d = decode_frame(DLT_EN10MB, first.bytes);
    ASSERT_EQ(d.verdict, frame_verdict::udp);
    EXPECT_EQ(d.source, (ipv4_address{10, 0, 0, 7}));
    EXPECT_EQ(d.source_port, 40001);
    EXPECT_EQ(d.destination, (ipv4_address{239, 1, 2, 3}));
    EXPECT_EQ(d.destination_port, 5000);
    EXPECT_EQ(std::string(d.payload.begin(), d.payload.end()), whole);

    const frame_read& cut = frames[1];
    EXPECT_EQ(cut.wire_length, 14U + 20 + 8 + 9000);
    EXPECT_EQ(cut.bytes.size(), 14U + 20 + 8 + kept.size());
    EXPECT_EQ(u16_at(cut.bytes, 14 + 2), 20 + 8 + 9000);  // IPv4 total length
    EXPECT_EQ(u16_at(cut.bytes, 14 + 20 + 4), 8 + 9000);  // UDP length
    EXPECT_EQ(u16_at(cut.bytes, 14 + 20 + 6), 0);         // no UDP checksum
    EXPECT_EQ(decode_frame(DLT_EN10MB, cut.bytes).verdict, frame_verdict::cut);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tarn::capture
