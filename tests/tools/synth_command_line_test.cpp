// md_synth's capture, and md_synth and md_replay refusing what they cannot
// do; nothing here touches a network.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "log_lines.hpp"
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
        {with(synth, {"--channels", "0"}), "--channels must be from 1 to 64"},
        {with(synth, {"--channels", "3", "--multicast-group", "239.255.255.252"}),
         "3 channels do not fit above --multicast-group and --port"},
        {{MD_SYNTH_BINARY, "--port", "65535", "--channels", "2", "--output", path}, "do not fit"},
        {with(synth, {"--loss-b", "0.1"}), "--loss-b and --delay-b need --b-line"},
        {with(synth, {"--loss-a", "1.5"}), "--loss-a must be from 0 to 1"},
        {with(synth, {"--b-line", "--delay-b", "1000001"}), "--delay-b must be at most 1000000"},
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
        {with(replay, {"--keep-destinations"}),
         "either --keep-destinations or --multicast-group and --port"},
        {replay, "cannot read capture " + missing},
        // A program is no capture.
        {with(without(1), {"--capture", MD_SYNTH_BINARY}),
         std::string("cannot read capture ") + MD_SYNTH_BINARY},
    };
    for (const auto& [argv, reason] : cases) {
        const auto result = testing::run_process(argv);
        EXPECT_EQ(result.status, 1) << reason;
        const std::string program = std::filesystem::path(argv[0]).filename().string();
        EXPECT_TRUE(result.err.starts_with(program + ": ") &&
                    result.err.find(reason) != std::string::npos)
            << result.err;
        EXPECT_EQ(result.out.find("sent"), std::string::npos) << result.out;
        EXPECT_FALSE(std::filesystem::exists(path)) << reason;
    }
}

// The capture on standard output, the report on standard error; every frame
// read by tcpdump: Ethernet, whole, in time order, with the addresses asked
// for and correct lengths and checksums.
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
    const std::string path = testing::temporary_file("synth.pcap");
    std::ofstream(path, std::ios::binary) << result.out;
    const auto read =
        testing::run_process({"/bin/sh", "-c", "exec tcpdump -r \"$0\" -nn -vv -e", path});
    std::filesystem::remove(path);
    EXPECT_EQ(read.status, 0) << read.err;  // and the capture ends cleanly
    const std::vector<std::string> lines = testing::split_lines(read.out);
    ASSERT_EQ(lines.size(), 2 * std::stoull(datagrams[1])) << result.err;
    const std::regex header(
        "(\\S+) 02:00:0a:01:02:03 > 01:00:5e:4d:01:02, ethertype IPv4 \\(0x0800\\), length "
        "(\\d+): \\(tos 0x0, ttl \\d+, id \\d+, offset 0, flags \\[none\\], proto UDP "
        "\\(17\\), length (\\d+)\\)");
    std::string last_time;
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, header)) << lines[i];
        ASSERT_EQ(std::stoul(m[2]), 14 + std::stoul(m[3])) << lines[i];
        ASSERT_LE(std::stoul(m[3]), 28 + 600U) << lines[i];
        ASSERT_GE(m[1].str(), last_time);  // in time order
        last_time = m[1];
        // A checksum is verified only over a whole datagram.
        ASSERT_TRUE(lines[i + 1].starts_with("    10.1.2.3.2345 > 239.77.1.2.4567: [udp sum ok] "))
            << lines[i + 1];
    }
}

}  // namespace
}  // namespace tarn
