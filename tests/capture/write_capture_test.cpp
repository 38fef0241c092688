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

constexpr const char* group = "239.255.12.1";
constexpr const char* port = "31012";

std::string temporary(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("md_write_capture_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

// The log's records after the start-up record, without their times.
std::vector<std::string> records_of(const std::string& log_path) {
    std::vector<std::string> lines = testing::log_messages(testing::read_file(log_path));
    EXPECT_FALSE(lines.empty());
    if (!lines.empty()) {
        lines.erase(lines.begin());
    }
    return lines;
}

std::size_t starting(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(text); }));
}

std::string tcpdump_binary() {
    for (const char* path : {"/usr/bin/tcpdump", "/usr/sbin/tcpdump"}) {
        if (std::filesystem::exists(path)) {
            return path;
        }
    }
    return "";
}

// A session with gaps, a resend, an unknown type and short messages, sent by
// md_replay to a live full dump that records it. The recording and the sent
// session, read offline, give the live run's records: messages, errors and
// summary. tcpdump, where there is one, reads the recording and finds every
// checksum right and the sender as received.
TEST(WriteCapture, ALiveRecordingReadsBackAsTheLiveRunAndTheSentSession) {
    testing::require_private_network();
    const std::string session = temporary("session.pcap");
    const std::string recording = temporary("recording.pcap");
    const std::string live_log = temporary("live.log");
    const std::string recording_log = temporary("recording.log");
    const std::string session_log = temporary("session.log");
    const auto synth =
        testing::run_process({MD_SYNTH_BINARY, "--output", session, "--multicast-group", group,
                              "--port", port, "--messages", "2000", "--seed", "12", "--gaps", "2",
                              "--resends", "1", "--unknown-types", "1", "--short-messages", "2"});
    ASSERT_EQ(synth.status, 0) << synth.err;

    testing::background_process live({MD_DUMP_BINARY, "--local-ip", "127.0.0.1",
                                      "--multicast-group", group, "--port", port, "--full-dump",
                                      "--log", live_log, "--write-capture", recording});
    ASSERT_TRUE(testing::wait_for_membership(group, std::chrono::seconds(10)));
    const auto replay =
        testing::run_process({MD_REPLAY_BINARY, "--capture", session, "--multicast-group", group,
                              "--port", port, "--local-ip", "127.0.0.1", "--rate", "2000"},
                             std::chrono::seconds(60));
    ASSERT_EQ(replay.status, 0) << replay.err;
    const auto live_run = live.wait(std::chrono::seconds(20));
    ASSERT_EQ(live_run.status, 0) << live_run.err;

    for (const auto& [capture, log] :
         {std::pair{recording, recording_log}, std::pair{session, session_log}}) {
        const auto offline = testing::run_process(
            {MD_DUMP_BINARY, "--read-capture", capture, "--full-dump", "--log", log});
        EXPECT_EQ(offline.status, 0) << offline.err;
    }
    const std::vector<std::string> live_records = records_of(live_log);
    EXPECT_EQ(starting(live_records, "[E] Out of sync message."), 2U);
    EXPECT_EQ(starting(live_records, "[E] Resend of message"), 1U);
    EXPECT_EQ(starting(live_records, "[I] 2'001 messages received"), 1U);
    EXPECT_EQ(records_of(recording_log), live_records);
    EXPECT_EQ(records_of(session_log), live_records);

    const std::string tcpdump = tcpdump_binary();
    if (!tcpdump.empty()) {
        const auto read = testing::run_process({tcpdump, "-r", recording, "-nn", "-vv"});
        EXPECT_EQ(read.status, 0) << read.err;
        const std::vector<std::string> lines = testing::split_lines(read.out);
        ASSERT_GE(lines.size(), 2U);
        EXPECT_EQ(read.out.find("bad"), std::string::npos);
        EXPECT_EQ(lines.size() / 2,
                  static_cast<std::size_t>(std::count_if(
                      lines.begin(), lines.end(),
                      [](const std::string& line) {
                          return line.starts_with("    127.0.0.1.") &&
                                 line.find(std::string(" > ") + group + "." + port +
                                           ": [udp sum ok] UDP, length ") != std::string::npos;
                      })))
            << read.out.substr(0, 1000);
    }
    for (const std::string& path : {session, recording, live_log, recording_log, session_log}) {
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace tarn
