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

constexpr const char* group = "239.255.8.1";
constexpr const char* port = "31008";

std::string temporary(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("md_tools_chain_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

struct chain_run {
    testing::process_result synth, replay, dump;
    std::vector<std::string> log;  // md_dump's records after their time stamps

    std::size_t starting(const std::string& text) const {
        return static_cast<std::size_t>(
            std::count_if(log.begin(), log.end(),
                          [&](const std::string& line) { return line.starts_with(text); }));
    }
};

chain_run synth_replay_dump(const std::vector<std::string>& synth_options) {
    testing::require_private_network();
    chain_run run;
    const std::string capture = temporary("session.pcap");
    const std::string log = temporary("dump.log");
    std::vector<std::string> synth{MD_SYNTH_BINARY, "--output", capture, "--multicast-group",
                                   group,           "--port",   port};
    synth.insert(synth.end(), synth_options.begin(), synth_options.end());
    run.synth = testing::run_process(synth);
    if (run.synth.status != 0) {
        return run;
    }
    testing::background_process dump({MD_DUMP_BINARY, "--local-ip", "127.0.0.1",
                                      "--multicast-group", group, "--port", port, "--full-dump",
                                      "--log", log});
    if (!testing::wait_for_membership(group, std::chrono::seconds(10))) {
        run.dump = dump.wait(std::chrono::milliseconds(0));
        return run;
    }
    run.replay =
        testing::run_process({MD_REPLAY_BINARY, "--capture", capture, "--multicast-group", group,
                              "--port", port, "--local-ip", "127.0.0.1", "--rate", "1000"},
                             std::chrono::seconds(60));
    run.dump = dump.wait(std::chrono::seconds(20));
    run.log = testing::log_messages(testing::read_file(log));
    std::filesystem::remove(capture);
    std::filesystem::remove(log);
    return run;
}

TEST(SynthReplayDump, ACleanSessionDecodesWithEveryTypeAndNoWarning) {
    const chain_run run = synth_replay_dump({"--messages", "2000", "--seed", "21"});
    ASSERT_EQ(run.synth.status, 0) << run.synth.err;
    ASSERT_EQ(run.replay.status, 0) << run.replay.err;
    ASSERT_EQ(run.dump.status, 0) << run.dump.err;
    EXPECT_EQ(run.starting("[W]"), 0U);
    EXPECT_EQ(run.starting("[E]"), 0U);
    EXPECT_EQ(run.starting("[I] 2'000 messages received"), 1U);
    // The summary counts each type by name; every printable type is there.
    for (const md::catalogue_entry& entry : md::printable_messages()) {
        const std::string name(md::enum_to_description::instance().describe(entry.type));
        const std::regex count_line("\\[I\\] " + name + " +[1-9][0-9']*");
        EXPECT_TRUE(std::any_of(
            run.log.begin(), run.log.end(),
            [&](const std::string& line) { return std::regex_match(line, count_line); }))
            << "no " << name << " in the summary";
    }
    // Heartbeats are not counted, but md_synth says it sent some.
    EXPECT_EQ(run.synth.out.find(" 0 heartbeats"), std::string::npos) << run.synth.out;
}

TEST(SynthReplayDump, FaultsAskedForAreTheErrorsReported) {
    const chain_run run =
        synth_replay_dump({"--messages", "2000", "--seed", "22", "--gaps", "2", "--resends", "1",
                           "--unknown-types", "1", "--short-messages", "2"});
    ASSERT_EQ(run.synth.status, 0) << run.synth.err;
    ASSERT_EQ(run.dump.status, 0) << run.dump.err;
    EXPECT_EQ(run.starting("[E] Out of sync message."), 2U);
    EXPECT_EQ(run.starting("[E] Resend of message"), 1U);
    EXPECT_EQ(run.starting("[W] Unknown message "), 1U);
    EXPECT_EQ(run.starting("[W] Message shorter than its layout"), 2U);
    EXPECT_EQ(run.starting("[W] There were some errors."), 1U);
    EXPECT_EQ(run.starting("[I] 2'001 messages received"), 1U);  // the resend counts
    std::smatch skipped;
    ASSERT_TRUE(std::regex_search(run.synth.out, skipped,
                                  std::regex("\\((\\d+) sequence numbers skipped\\)")));
    EXPECT_EQ(run.starting("[W] " + skipped[1].str() + " messages lost"), 1U);
}

}  // namespace
}  // namespace tarn
