// md_synth and md_replay as a user runs them, and md_synth's capture as any
// pcap reader sees it; nothing here touches a network.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "frame_checks.hpp"
#include "process.hpp"

namespace tarn {
namespace {

std::string temporary(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("md_tools_cli_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

struct pcap_frame {
    std::uint64_t time_us;
    std::vector<std::uint8_t> bytes;
};

// Every frame of a capture, read with libpcap itself.
std::vector<pcap_frame> read_with_libpcap(const std::string& path, int& link_type) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), error);
    if (handle == nullptr) {
        throw std::runtime_error(error);
    }
    link_type = pcap_datalink(handle);
    std::vector<pcap_frame> frames;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int status = 0;
    while ((status = pcap_next_ex(handle, &header, &data)) == 1) {
        EXPECT_EQ(header->caplen, header->len);
        frames.push_back({static_cast<std::uint64_t>(header->ts.tv_sec) * 1'000'000 +
                              static_cast<std::uint64_t>(header->ts.tv_usec),
                          std::vector<std::uint8_t>(data, data + header->caplen)});
    }
    pcap_close(handle);
    EXPECT_EQ(status, PCAP_ERROR_BREAK) << "the capture does not end cleanly";
    return frames;
}

std::uint64_t reported(const std::string& report, const std::string& what) {
    std::smatch match;
    if (!std::regex_search(report, match, std::regex("(\\d+) " + what))) {
        throw std::runtime_error("no count of " + what + " in: " + report);
    }
    return std::stoull(match[1]);
}

TEST(SynthCommandLine, TheCaptureOpensWithLibpcapAndEveryFrameIsWellFormed) {
    const std::string path = temporary("session.pcap");
    const auto result = testing::run_process({MD_SYNTH_BINARY, "--output", path, "--messages",
                                              "1500", "--seed", "3", "--datagram-size", "600",
                                              "--multicast-group", "239.77.1.2", "--port", "4567",
                                              "--source-ip", "10.1.2.3", "--source-port", "2345"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(reported(result.out, "messages"), 1500U);

    int link_type = -1;
    const std::vector<pcap_frame> frames = read_with_libpcap(path, link_type);
    EXPECT_EQ(link_type, DLT_EN10MB);
    EXPECT_EQ(frames.size(), reported(result.out, "datagrams"));
    std::uint64_t last_time = 0;
    for (const pcap_frame& frame : frames) {
        const testing::udp_frame_view v = testing::take_apart(frame.bytes);
        ASSERT_TRUE(v.ip_checksum_ok);
        ASSERT_TRUE(v.udp_checksum_ok);
        ASSERT_EQ(v.destination_mac, (std::vector<std::uint8_t>{0x01, 0x00, 0x5E, 0x4D, 1, 2}));
        ASSERT_EQ(v.ethertype, 0x0800);
        ASSERT_EQ(v.destination_ip, (std::vector<std::uint8_t>{239, 77, 1, 2}));
        ASSERT_EQ(v.source_ip, (std::vector<std::uint8_t>{10, 1, 2, 3}));
        ASSERT_EQ(v.destination_port, 4567);
        ASSERT_EQ(v.ip_total_length, 28 + v.payload.size());
        ASSERT_LE(v.payload.size(), 600U);
        ASSERT_GE(frame.time_us, last_time);
        last_time = frame.time_us;
    }
    std::filesystem::remove(path);
}

TEST(SynthCommandLine, StandardOutputTakesTheCaptureAndTheReportMovesToStandardError) {
    const auto result =
        testing::run_process({MD_SYNTH_BINARY, "--output", "-", "--messages", "400"});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_GE(result.out.size(), 24U);
    EXPECT_EQ(result.out.substr(0, 4), std::string("\xD4\xC3\xB2\xA1", 4));  // pcap, microseconds
    EXPECT_NE(result.err.find("400 messages"), std::string::npos);
}

TEST(SynthCommandLine, BadOptionsEndWithAReasonAndNoCapture) {
    const std::string path = temporary("refused.pcap");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "Required option --output is missing"},
        {{"--output", path, "--datagram-size", "63"}, "--datagram-size must be from 64 to 1472"},
        {{"--output", path, "--datagram-size", "1473"}, "--datagram-size must be from 64 to 1472"},
        {{"--output", path, "--multicast-group", "10.0.0.1"}, "must be a multicast address"},
        {{"--output", path, "--multicast-group", "239.0.0"}, "not an IPv4 address"},
        {{"--output", path, "--messages", "50"}, "needs at least"},
        {{"--output", path, "--date", "2026-02-30"}, "not a date"},
        {{"--output", path, "--seed", "-1"}, "invalid"},
        {{"--output", path, "--colour"}, "unrecognised option"},
    };
    for (const auto& [options, reason] : cases) {
        std::vector<std::string> argv{MD_SYNTH_BINARY, "--port", "1000"};
        argv.insert(argv.end(), options.begin(), options.end());
        const auto result = testing::run_process(argv);
        EXPECT_EQ(result.status, 1) << reason;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(path)) << reason;
    }
}

TEST(ReplayCommandLine, BadOptionsEndBeforeAnythingIsSent) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--multicast-group", "239.1.1.1", "--port", "1", "--local-ip", "127.0.0.1"},
         "Required option --capture is missing"},
        {{"--capture", "x.pcap", "--port", "1", "--local-ip", "127.0.0.1"},
         "Required option --multicast-group is missing"},
        {{"--capture", "x.pcap", "--multicast-group", "239.1.1.1", "--local-ip", "127.0.0.1"},
         "Required option --port is missing"},
        {{"--capture", "x.pcap", "--multicast-group", "239.1.1.1", "--port", "1"},
         "either --local-ip or --interface"},
        // The same rule as md_dump's: an empty --local-ip wins and is refused.
        {{"--capture", "x.pcap", "--multicast-group", "239.1.1.1", "--port", "1", "--local-ip", "",
          "--interface", "lo"},
         "either --local-ip or --interface"},
        {{"--capture", "x.pcap", "--multicast-group", "239.1.1.1", "--port", "1", "--local-ip",
          "127.0.0.1", "--speed", "2", "--fast"},
         "at most one of --speed, --rate and --fast"},
        {{"--capture", "x.pcap", "--multicast-group", "239.1.1.1", "--port", "1", "--local-ip",
          "127.0.0.1", "--rate", "0"},
         "--rate must be above 0"},
        {{"--capture", "x.pcap", "--multicast-group", "239.1.1.1", "--port", "1", "--local-ip",
          "127.0.0.1", "--ttl", "256"},
         "invalid"},
    };
    for (const auto& [options, reason] : cases) {
        std::vector<std::string> argv{MD_REPLAY_BINARY};
        argv.insert(argv.end(), options.begin(), options.end());
        const auto result = testing::run_process(argv);
        EXPECT_EQ(result.status, 1) << reason;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("sent"), std::string::npos) << result.out;
    }
}

}  // namespace
}  // namespace tarn
