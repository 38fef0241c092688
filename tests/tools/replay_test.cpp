// The tools over multicast in the private namespace: what md_replay sends,
// in which order, and how a damaged capture ends it; then the whole chain,
// md_synth writing a session, md_replay sending it, md_dump decoding it.

#include <gtest/gtest.h>
#include <spdlog/fmt/fmt.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "capture/capture_writer.hpp"
#include "capture/udp_frame.hpp"
#include "log_lines.hpp"
#include "md/catalogue.hpp"
#include "md/enum_to_description.hpp"
#include "multicast.hpp"
#include "process.hpp"

namespace tarn {
namespace {

constexpr const char* group = "239.255.7.1";
constexpr std::uint16_t port = 31007;

std::string payload_of(std::size_t index) {
    std::string text = "datagram " + std::to_string(index) + " ";
    text.resize(text.size() + index % 50 * 17, static_cast<char>('a' + index % 26));
    return text;
}

// 300 datagrams to the group, 1 ms apart, with frames the replay must skip
// after every tenth: one of another protocol, and datagrams to another group
// and to another port.
std::string write_capture(const std::string& name) {
    const std::string path = testing::temporary_file(name);
    capture::capture_writer writer(path);
    const auto frame = [](const char* to, std::uint16_t to_port, const std::string& text) {
        return capture::udp_frame({{0x02, 0, 10, 9, 9, 9},
                                   capture::parse_ipv4("10.9.9.9"),
                                   5555,
                                   capture::parse_ipv4(to),
                                   to_port,
                                   16},
                                  1, std::vector<std::uint8_t>(text.begin(), text.end()));
    };
    std::uint64_t time = 1'772'438'400'000'000'000ULL;
    for (std::size_t i = 0; i < 300; ++i, time += 1'000'000) {
        writer.write(time, frame(group, port, payload_of(i)));
        if (i % 10 == 3) {
            writer.write(time, frame("239.255.7.2", port, payload_of(i)));
            writer.write(time, frame(group, port + 1, payload_of(i)));
            writer.write(time, std::vector<std::uint8_t>(60, 0x06));  // ethertype 0x0606
        }
    }
    writer.finish();
    return path;
}

// At a fixed rate with both filters, and at the capture's own timing sped up
// with the port filter alone from a copy whose last record lost its end:
// the payloads of the chosen destinations arrive in order, the frames
// skipped are counted, and the damage ends the run after what came before.
TEST(Replay, ThePayloadsOfTheChosenDestinationsArriveInOrderUntilTheCaptureEnds) {
    const std::string whole = write_capture("whole.pcap"),
                      cut = testing::temporary_file("cut.pcap");
    std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(whole) - 10);
    const std::string only_port = std::to_string(port);
    // The first `count` payloads to the group, twice where a datagram to the
    // other group follows when `other_group`, arrive; then what md_replay
    // wrote, and its status.
    const auto replay = [&](std::vector<std::string> argv, std::size_t count, bool other_group) {
        std::vector<std::string> expected, received;
        for (std::size_t i = 0; i < count; ++i) {
            expected.insert(expected.end(), other_group && i % 10 == 3 ? 2 : 1, payload_of(i));
        }
        testing::multicast_socket member(group, port, testing::multicast_socket::role::member);
        argv.insert(argv.begin(), {MD_REPLAY_BINARY, "--multicast-group", group, "--port",
                                   only_port, "--local-ip", "127.0.0.1"});
        testing::background_process sender(argv);
        for (std::optional<std::string> d;
             received.size() < expected.size() && (d = member.receive(std::chrono::seconds(2)));) {
            received.push_back(std::move(*d));
        }
        EXPECT_EQ(received, expected);
        const testing::process_result result = sender.wait(std::chrono::seconds(30));
        return result.out + result.err + "status " + std::to_string(result.status);
    };
    const auto report = [](int sent, int skipped, int elsewhere) {
        return spdlog::fmt_lib::format(
            "md_replay: sent {} datagrams .*; skipped {} frames: 30 not UDP over IPv4, 0 IP "
            "fragments, 0 cut short by the capture, {} to other destinations\n",
            sent, skipped, elsewhere);
    };
    const std::string rated = replay(
        {"--capture", whole, "--rate", "1000", "--only-group", group, "--only-port", only_port},
        300, false);
    EXPECT_TRUE(std::regex_match(rated, std::regex(report(300, 90, 60) + "status 0"))) << rated;
    const std::string damaged =
        replay({"--capture", cut, "--speed", "4", "--only-port", only_port}, 299, true);
    EXPECT_TRUE(std::regex_match(
        damaged, std::regex(report(329, 60, 30) + "md_replay: capture " + cut +
                            " is damaged after frame 389: truncated dump file.*\nstatus 1")))
        << damaged;
    std::filesystem::remove(whole);
    std::filesystem::remove(cut);
}

// With --keep-destinations each datagram goes where the capture shows it
// going: each of the three destinations receives its own payloads, in order.
TEST(Replay, KeepingDestinationsSendsEachDatagramWhereTheCaptureShows) {
    const std::string path = write_capture("destinations.pcap");
    const std::vector<std::pair<std::string, std::uint16_t>> destinations{
        {group, port}, {"239.255.7.2", port}, {group, port + 1}};
    std::vector<std::unique_ptr<testing::multicast_socket>> members;
    std::vector<std::vector<std::string>> expected(destinations.size());
    for (const auto& [to, to_port] : destinations) {
        members.push_back(std::make_unique<testing::multicast_socket>(
            to, to_port, testing::multicast_socket::role::member));
    }
    for (std::size_t i = 0; i < 300; ++i) {
        for (std::size_t d = 0; d < destinations.size(); ++d) {
            if (d == 0 || i % 10 == 3) {
                expected[d].push_back(payload_of(i));
            }
        }
    }
    testing::background_process sender({MD_REPLAY_BINARY, "--capture", path, "--keep-destinations",
                                        "--local-ip", "127.0.0.1", "--rate", "2000"});
    for (std::size_t d = 0; d < destinations.size(); ++d) {
        std::vector<std::string> received;
        for (std::optional<std::string> datagram;
             received.size() < expected[d].size() &&
             (datagram = members[d]->receive(std::chrono::seconds(2)));) {
            received.push_back(std::move(*datagram));
        }
        EXPECT_EQ(received, expected[d]) << destinations[d].first << ":" << destinations[d].second;
    }
    const testing::process_result result = sender.wait(std::chrono::seconds(30));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("sent 360 datagrams"), std::string::npos) << result.out;
    std::filesystem::remove(path);
}

// Every type decoded, and the faults asked for are the errors reported; the
// end of the session ends md_dump. Its recording of what it received, and
// the session md_synth wrote, read offline give the live run's records;
// tcpdump, where there is one, finds every checksum right and the sender as
// received.
TEST(SynthReplayDump, EveryTypeDecodesTheFaultsAreReportedAndTheRecordingReadsBack) {
    testing::require_private_network();
    const std::string capture = testing::temporary_file("chain.pcap"), at = std::to_string(port),
                      recording = testing::temporary_file("recording.pcap"),
                      log = testing::temporary_file("chain.log");
    const auto synth =
        testing::run_process({MD_SYNTH_BINARY, "--output", capture, "--multicast-group", group,
                              "--port", at, "--messages", "2000", "--seed", "22", "--gaps", "2",
                              "--resends", "1", "--unknown-types", "1", "--short-messages", "2"});
    ASSERT_EQ(synth.status, 0) << synth.err;
    testing::background_process dump({MD_DUMP_BINARY, "--local-ip", "127.0.0.1",
                                      "--multicast-group", group, "--port", at, "--full-dump",
                                      "--log", log, "--write-capture", recording});
    ASSERT_TRUE(testing::wait_for_membership(group, std::chrono::seconds(10)));
    const auto replay =
        testing::run_process({MD_REPLAY_BINARY, "--capture", capture, "--multicast-group", group,
                              "--port", at, "--local-ip", "127.0.0.1", "--rate", "2000"},
                             std::chrono::seconds(60));
    EXPECT_EQ(replay.status, 0) << replay.err;
    const testing::process_result dumped = dump.wait(std::chrono::seconds(20));
    EXPECT_EQ(dumped.status, 0) << dumped.err;
    const std::vector<std::string> records = testing::records_after_start(testing::read_file(log));

    const auto count = [&records](const std::string& pattern) {
        const std::regex matching(pattern);
        return std::ranges::count_if(
            records, [&](const std::string& record) { return std::regex_match(record, matching); });
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

    for (const std::string& offline : {recording, capture}) {
        std::filesystem::remove(log);  // --log appends
        const auto read = testing::run_process(
            {MD_DUMP_BINARY, "--read-capture", offline, "--full-dump", "--log", log});
        EXPECT_EQ(read.status, 0) << read.err;
        EXPECT_EQ(testing::records_after_start(testing::read_file(log)), records) << offline;
    }
    const std::string tcpdump =
        std::filesystem::exists("/usr/sbin/tcpdump") ? "/usr/sbin/tcpdump" : "/usr/bin/tcpdump";
    if (std::filesystem::exists(tcpdump)) {
        const auto read = testing::run_process({tcpdump, "-r", recording, "-nn", "-vv"});
        EXPECT_EQ(read.status, 0) << read.err;
        const std::vector<std::string> lines = testing::split_lines(read.out);
        const std::string sent =
            std::string(" > ") + group + "." + at + ": [udp sum ok] UDP, length ";
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
    for (const std::string& path : {capture, recording, log}) {
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace tarn
