// The whole chain over multicast in the private namespace: md_synth writes a
// session, md_replay sends it, md_dump --full-dump decodes it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "log_lines.hpp"
#include "md/catalogue.hpp"
#include "md/enum_to_description.hpp"
#include "multicast.hpp"
#include "process.hpp"

namespace tarn {
namespace {

// Every type decoded, and the faults asked for are the errors reported.
TEST(SynthReplayDump, EveryTypeDecodesAndTheFaultsAskedForAreTheErrorsReported) {
    testing::require_private_network();
    const std::string group = "239.255.8.1", port = "31008";
    const std::string capture = testing::temporary_file("chain.pcap");
    const std::string log = testing::temporary_file("chain.log");
    const auto synth =
        testing::run_process({MD_SYNTH_BINARY, "--output", capture, "--multicast-group", group,
                              "--port", port, "--messages", "2000", "--seed", "22", "--gaps", "2",
                              "--resends", "1", "--unknown-types", "1", "--short-messages", "2"});
    ASSERT_EQ(synth.status, 0) << synth.err;
    testing::background_process dump({MD_DUMP_BINARY, "--local-ip", "127.0.0.1",
                                      "--multicast-group", group, "--port", port, "--full-dump",
                                      "--log", log});
    ASSERT_TRUE(testing::wait_for_membership(group, std::chrono::seconds(10)));
    const auto replay =
        testing::run_process({MD_REPLAY_BINARY, "--capture", capture, "--multicast-group", group,
                              "--port", port, "--local-ip", "127.0.0.1", "--rate", "1000"},
                             std::chrono::seconds(60));
    EXPECT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(dump.wait(std::chrono::seconds(20)).status, 0);
    const std::vector<std::string> records = testing::log_messages(testing::read_file(log));
    std::filesystem::remove(capture);
    std::filesystem::remove(log);

    const auto count = [&records](const std::string& pattern) {
        const std::regex matching(pattern);
        return std::count_if(records.begin(), records.end(), [&](const std::string& record) {
            return std::regex_match(record, matching);
        });
    };
    std::smatch skipped;
    ASSERT_TRUE(
        std::regex_search(synth.out, skipped, std::regex("\\((\\d+) sequence numbers skipped\\)")));
    EXPECT_EQ(count("\\[E\\] Out of sync message\\..*"), 2);
    EXPECT_EQ(count("\\[E\\] Resend of message.*"), 1);
    EXPECT_EQ(count("\\[W\\] Unknown message .*"), 1);
    EXPECT_EQ(count("\\[W\\] Message shorter than its layout.*"), 2);
    EXPECT_EQ(count("\\[W\\] There were some errors\\."), 1);
    EXPECT_EQ(count("\\[W\\] " + skipped[1].str() + " messages lost"), 1);
    EXPECT_EQ(count("\\[[WE]\\] .*"), 2 + 1 + 1 + 2 + 2);
    EXPECT_EQ(count("\\[I\\] 2'001 messages received"), 1);  // the resend counts
    // The summary counts each type by name; every printable type is there.
    for (const md::catalogue_entry& entry : md::printable_messages()) {
        const std::string name(md::enum_to_description::instance().describe(entry.type));
        EXPECT_EQ(count("\\[I\\] " + name + " +[1-9][0-9']*"), 1) << name;
    }
    // Heartbeats are not counted, but md_synth says it sent some.
    EXPECT_EQ(synth.out.find(" 0 heartbeats"), std::string::npos) << synth.out;
}

}  // namespace
}  // namespace tarn
