// md_dump --write-capture over multicast in the private namespace: a live
// run records what it receives, and reading the recording, or the session it
// was sent from, gives the same records.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "log_lines.hpp"
#include "multicast.hpp"
#include "process.hpp"

namespace tarn {
namespace {

using testing::count_starting;
using testing::records_after_start;

constexpr const char* group = "239.255.12.1";
constexpr const char* port = "31012";

// A session with gaps, a resend, an unknown type and short messages, sent by
// md_replay to a live full dump that records it. The recording and the sent
// session, read offline, give the live run's records: messages, errors and
// summary. tcpdump, where there is one, reads the recording and finds every
// checksum right and the sender as received.
TEST(WriteCapture, ALiveRecordingReadsBackAsTheLiveRunAndTheSentSession) {
    testing::require_private_network();
    const std::string session = testing::temporary_file("session.pcap");
    const std::string recording = testing::temporary_file("recording.pcap");
    const std::string log = testing::temporary_file("live.log");
    const auto synth =
        testing::run_process({MD_SYNTH_BINARY, "--output", session, "--multicast-group", group,
                              "--port", port, "--messages", "2000", "--seed", "12", "--gaps", "2",
                              "--resends", "1", "--unknown-types", "1", "--short-messages", "2"});
    ASSERT_EQ(synth.status, 0) << synth.err;

    testing::background_process live({MD_DUMP_BINARY, "--local-ip", "127.0.0.1",
                                      "--multicast-group", group, "--port", port, "--full-dump",
                                      "--log", log, "--write-capture", recording});
    ASSERT_TRUE(testing::wait_for_membership(group, std::chrono::seconds(10)));
    const auto replay =
        testing::run_process({MD_REPLAY_BINARY, "--capture", session, "--multicast-group", group,
                              "--port", port, "--local-ip", "127.0.0.1", "--rate", "2000"},
                             std::chrono::seconds(60));
    ASSERT_EQ(replay.status, 0) << replay.err;
    const auto live_run = live.wait(std::chrono::seconds(20));
    ASSERT_EQ(live_run.status, 0) << live_run.err;
    const std::vector<std::string> live_records = records_after_start(testing::read_file(log));
    EXPECT_EQ(count_starting(live_records, "[E] Out of sync message."), 2U);
    EXPECT_EQ(count_starting(live_records, "[E] Resend of message"), 1U);
    EXPECT_EQ(count_starting(live_records, "[I] 2'001 messages received"), 1U);
    for (const std::string& capture : {recording, session}) {
        std::filesystem::remove(log);
        const auto offline = testing::run_process(
            {MD_DUMP_BINARY, "--read-capture", capture, "--full-dump", "--log", log});
        EXPECT_EQ(offline.status, 0) << offline.err;
        EXPECT_EQ(records_after_start(testing::read_file(log)), live_records) << capture;
    }
    const std::string tcpdump =
        std::filesystem::exists("/usr/sbin/tcpdump") ? "/usr/sbin/tcpdump" : "/usr/bin/tcpdump";
    if (std::filesystem::exists(tcpdump)) {
        const auto read = testing::run_process({tcpdump, "-r", recording, "-nn", "-vv"});
        EXPECT_EQ(read.status, 0) << read.err;
        const std::vector<std::string> lines = testing::split_lines(read.out);
        const std::string sent =
            std::string(" > ") + group + "." + port + ": [udp sum ok] UDP, length ";
        EXPECT_GE(lines.size(), 2U);
        EXPECT_EQ(read.out.find("bad"), std::string::npos);
        EXPECT_EQ(lines.size() / 2,
                  std::ranges::count_if(lines,
                                        [&](const std::string& line) {
                                            return line.starts_with("    127.0.0.1.") &&
                                                   line.find(sent) != std::string::npos;
                                        }))
            << read.out.substr(0, 1000);
    }
    for (const std::string& path : {session, recording, log}) {
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace tarn
