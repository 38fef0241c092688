// md_synth and md_replay refusing what they cannot do; nothing here touches
// a network.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace tarn
