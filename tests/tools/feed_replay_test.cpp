// A whole feed live: two channels on lines A and B with independent losses,
// replayed as captured and received by one md_dump that arbitrates them.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "capture/capture_reader.hpp"
#include "md/header.hpp"
#include "multicast.hpp"
#include "process.hpp"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using numbers = std::set<std::uint32_t>;

// The sequence numbers each destination of a capture carries, heartbeats
// aside, read message by message from the payloads: 2 bytes of length, 2 of
// type, 2 of version, 4 of sequence number, all little endian.
std::map<std::string, numbers> carried_by_destination(const std::string& path) {
    std::map<std::string, numbers> carried;
    capture::capture_reader reader(path);
    while (const auto frame = reader.next()) {
        const auto& c = frame->content;
        const auto& a = c.destination;
        const std::string to = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." +
                               std::to_string(a[2]) + "." + std::to_string(a[3]) + ":" +
                               std::to_string(c.destination_port);
        const auto* bytes = c.payload.data();
        for (std::size_t at = 0; at + 10 <= c.payload.size();) {
            const std::size_t length = bytes[at] | bytes[at + 1] << 8U;
            const unsigned type = bytes[at + 2] | bytes[at + 3] << 8U;
            std::uint32_t seq = 0;
            std::memcpy(&seq, bytes + at + 6, sizeof seq);
            if (type != static_cast<unsigned>(md::MsgType::Heartbeat)) {
                carried[to].insert(seq);
            }
            at += std::max<std::size_t>(length, 1);
        }
    }
    return carried;
}

// Numbers after the first and before the last of `own` that it lacks and
// `other` has: the misses of a line whose partner filled them.
std::uint64_t missed(const numbers& own, const numbers& other) {
    return static_cast<std::uint64_t>(
        std::count_if(other.upper_bound(*own.begin()), other.lower_bound(*own.rbegin()),
                      [&](std::uint32_t n) { return own.count(n) == 0; }));
}

// The figures of each channel in the JSON summary of `log`: after
// arbitration a channel loses exactly the numbers neither line carried, and
// each line misses exactly those the other filled.
// Live, which line's batch the loop reads first shifts a miss or two between
// the lines: there the misses are checked within `slack`.
void check_figures(const std::string& log, const std::map<std::string, numbers>& carried,
                   std::uint64_t slack = 0) {
    const std::map<std::string, std::array<std::string, 2>> channels{
        {"C0", {"239.9.0.10:5000", "239.9.0.11:5000"}},
        {"C1", {"239.9.0.12:5001", "239.9.0.13:5001"}}};
    for (const auto& [name, lines] : channels) {
        const numbers& a = carried.at(lines[0]);
        const numbers& b = carried.at(lines[1]);
        numbers either = a;
        either.insert(b.begin(), b.end());
        const std::uint64_t lost = *either.rbegin() - either.size();
        ASSERT_GT(missed(a, b) + missed(b, a), 0U) << "the losses must touch each line";
        const std::regex figures("\"" + name + R"(":\{"received":(\d+),"lost":(\d+),"lines":\{)" +
                                 R"("A":\{"datagrams":\d+,"first":(\d+),"missed":(\d+),)" +
                                 R"("duplicates":\d+,"socket_drops":0\},"B":\{"datagrams":\d+,)" +
                                 R"("first":(\d+),"missed":(\d+),)");
        std::smatch found;
        ASSERT_TRUE(std::regex_search(log, found, figures)) << name << "\n" << log;
        EXPECT_EQ(std::stoull(found[1]), either.size()) << name;
        EXPECT_EQ(std::stoull(found[2]), lost) << name;
        EXPECT_EQ(std::stoull(found[3]) + std::stoull(found[5]), either.size()) << name;
        EXPECT_NEAR(std::stoull(found[4]), missed(a, b), slack) << name;
        EXPECT_NEAR(std::stoull(found[6]), missed(b, a), slack) << name;
        // A hole on both lines is an error record naming the channel.
        EXPECT_EQ(lost != 0,
                  log.find(R"("event":"gap","channel":")" + name + "\"") != std::string::npos)
            << name;
    }
}

TEST(FeedReplay, ArbitrationLosesExactlyWhatBothLinesLostLiveAndOffline) {
    const std::string capture_path = testing::temporary_file("ab.pcap");
    const std::string log_path = testing::temporary_file("ab.json");
    const auto synth = testing::run_process({MD_SYNTH_BINARY,
                                             "--output",
                                             capture_path,
                                             "--messages",
                                             "1500",
                                             "--channels",
                                             "2",
                                             "--b-line",
                                             "--loss-a",
                                             "0.08",
                                             "--loss-b",
                                             "0.08",
                                             "--delay-b",
                                             "100",
                                             "--seed",
                                             "21",
                                             "--multicast-group",
                                             "239.9.0.10",
                                             "--port",
                                             "5000"});
    ASSERT_EQ(synth.status, 0) << synth.err;
    const auto carried = carried_by_destination(capture_path);
    testing::background_process dump(
        {MD_DUMP_BINARY, "--interface", "lo", "--add-channel", "C0=239.9.0.10:5000,239.9.0.11:5000",
         "--add-channel", "C1=239.9.0.12:5001,239.9.0.13:5001", "--check-seq", "--json",
         "--receive-buffer", "8M", "--arbitration-window", "2", "--log", log_path});
    // The lines are joined in order: the last one joined means all are.
    ASSERT_TRUE(testing::wait_for_membership("239.9.0.13", 10s));
    const auto replay =
        testing::run_process({MD_REPLAY_BINARY, "--capture", capture_path, "--interface", "lo",
                              "--keep-destinations", "--speed", "4"});
    ASSERT_EQ(replay.status, 0) << replay.err;
    // Every channel ends at its end of the session: md_dump ends by itself.
    const auto ended = dump.wait(20s);
    ASSERT_EQ(ended.status, 0) << ended.err;
    // A window of seconds: a line's datagram held up by a busy machine still
    // fills its hole.
    check_figures(testing::read_file(log_path), carried, 2);
    // The capture read offline gives the same figures, on capture time.
    const auto offline =
        testing::run_process({MD_DUMP_BINARY, "--read-capture", capture_path, "--add-channel",
                              "C0=239.9.0.10:5000,239.9.0.11:5000", "--add-channel",
                              "C1=239.9.0.12:5001,239.9.0.13:5001", "--check-seq", "--json"});
    ASSERT_EQ(offline.status, 0) << offline.err;
    check_figures(offline.out, carried);
    std::filesystem::remove(capture_path);
    std::filesystem::remove(log_path);
}

}  // namespace
}  // namespace tarn
