// The recorder of received datagrams, read back with libpcap.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>
#include <memory>
#include <string>

#include "capture/capture_recorder.hpp"
#include "capture/frame_decoder.hpp"
#include "process.hpp"

namespace tarn::capture {
namespace {

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
        recorder.record({whole, whole.size(), 1'772'438'400'123'456'789ULL, {10, 0, 0, 7}, 40001},
                        to);
        recorder.record({kept, 9000, 1'772'438'400'123'456'790ULL, {10, 0, 0, 8}, 40002}, to);
    }  // the file is complete once the recorder is gone
    std::array<char, PCAP_ERRBUF_SIZE> error{};
    const std::unique_ptr<pcap_t, decltype(&pcap_close)> file(
        pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO,
                                                error.data()),
        pcap_close);
    std::filesystem::remove(path);
    ASSERT_NE(file, nullptr) << error.data();
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;

    ASSERT_EQ(pcap_next_ex(file.get(), &header, &data), 1);
    EXPECT_EQ(header->ts.tv_sec, 1'772'438'400);
    EXPECT_EQ(header->ts.tv_usec, 123'456'789);  // nanoseconds, as asked for
    EXPECT_EQ(header->len, 60U);                 // padded to the Ethernet minimum
    const decoded_frame d = decode_frame(DLT_EN10MB, {data, header->caplen});
    ASSERT_EQ(d.verdict, frame_verdict::udp);
    EXPECT_EQ(d.source, (ipv4_address{10, 0, 0, 7}));
    EXPECT_EQ(d.source_port, 40001);
    EXPECT_EQ(d.destination, (ipv4_address{239, 1, 2, 3}));
    EXPECT_EQ(d.destination_port, 5000);
    EXPECT_EQ(std::string(d.payload.begin(), d.payload.end()), whole);

    ASSERT_EQ(pcap_next_ex(file.get(), &header, &data), 1);
    const auto u16_at = [&](std::size_t at) { return data[at] << 8U | data[at + 1]; };
    EXPECT_EQ(header->len, 14U + 20 + 8 + 9000);
    EXPECT_EQ(header->caplen, 14U + 20 + 8 + kept.size());
    EXPECT_EQ(u16_at(14 + 2), 20 + 8 + 9000);  // IPv4 total length
    EXPECT_EQ(u16_at(14 + 20 + 4), 8 + 9000);  // UDP length
    EXPECT_EQ(u16_at(14 + 20 + 6), 0);         // no UDP checksum
    EXPECT_EQ(decode_frame(DLT_EN10MB, {data, header->caplen}).verdict, frame_verdict::cut);
    EXPECT_EQ(pcap_next_ex(file.get(), &header, &data), PCAP_ERROR_BREAK);  // and no more
}

}  // namespace
}  // namespace tarn::capture
