// md_synth's capture, and md_synth and md_replay refusing what they cannot
// do; nothing here touches a network.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <span>
#include <string>
#include <vector>

#include "capture_files.hpp"
#include "process.hpp"

namespace tarn {
namespace {

// Bad options and unreadable captures end with status 1 and a reason,
// before md_synth writes a capture or md_replay sends anything.
TEST(ToolsCommandLine, BadOptionsEndWithAReasonAndNothingDone) {
    const std::string path = testing::temporary_file("refused.pcap");
    const std::string missing = testing::temporary_file("missing.pcap");
    const std::vector<std::string> replay = {
        MD_REPLAY_BINARY, "--capture", missing,      "--multicast-group", "239.1.1.1",
        "--port",         "1",         "--local-ip", "127.0.0.1"};
    const std::vector<std::string> synth = {MD_SYNTH_BINARY, "--port", "1000", "--output", path};
    const auto with = [](std::vector<std::string> argv, const std::vector<std::string>& more) {
        argv.insert(argv.end(), more.begin(), more.end());
        return argv;
    };
    const auto without = [&replay](std::size_t at) {
        std::vector<std::string> argv = replay;
        argv.erase(argv.begin() + static_cast<std::ptrdiff_t>(at),
                   argv.begin() + static_cast<std::ptrdiff_t>(at) + 2);
        return argv;
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{MD_SYNTH_BINARY, "--port", "1000"}, "Required option --output is missing"},
        {with(synth, {"--datagram-size", "63"}), "--datagram-size must be from 64 to 1472"},
        {with(synth, {"--datagram-size", "1473"}), "--datagram-size must be from 64 to 1472"},
        {with(synth, {"--multicast-group", "10.0.0.1"}), "must be a multicast address"},
        {with(synth, {"--multicast-group", "239.0.0"}), "not an IPv4 address"},
        {with(synth, {"--messages", "50"}), "needs at least"},
        {with(synth, {"--date", "2026-02-30"}), "not a date"},
        {with(synth, {"--seed", "-1"}), "invalid"},
        {with(synth, {"--colour"}), "unrecognised option"},
        {without(1), "Required option --capture is missing"},
        {without(3), "Required option --multicast-group is missing"},
        {without(5), "Required option --port is missing"},
        {without(7), "either --local-ip or --interface"},
        // The same rule as md_dump's: an empty --local-ip wins and is refused.
        {with(without(7), {"--local-ip", "", "--interface", "lo"}),
         "either --local-ip or --interface"},
        {with(replay, {"--speed", "2", "--fast"}), "at most one of --speed, --rate and --fast"},
        {with(replay, {"--rate", "0"}), "--rate must be above 0"},
        {with(replay, {"--ttl", "256"}), "invalid"},
        {replay, "cannot read capture " + missing},
        // A program is no capture.
        {with(without(1), {"--capture", MD_SYNTH_BINARY}),
         std::string("cannot read capture ") + MD_SYNTH_BINARY},
    };
    for (const auto& [argv, reason] : cases) {
        const auto result = testing::run_process(argv);
        EXPECT_EQ(result.status, 1) << reason;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("sent"), std::string::npos) << result.out;
        EXPECT_FALSE(std::filesystem::exists(path)) << reason;
    }
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
        const testing::udp_frame_view v =
            testing::take_apart(std::span<const std::uint8_t>(data, header->caplen));
        ASSERT_EQ(header->caplen, header->len);
        ASSERT_TRUE(v.checksums_ok);
        ASSERT_EQ(v.fields, "01:00:5e:4d:01:02 2048 " + std::to_string(28 + v.payload.size()) +
                                " 17 0 10.1.2.3:2345 239.77.1.2:4567 " +
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
}  // namespace tarn
