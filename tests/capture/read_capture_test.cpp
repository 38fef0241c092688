// md_dump --read-capture as a user runs it, on capture files written here
// byte by byte; nothing touches a network.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "capture/capture_reader.hpp"
#include "capture_files.hpp"
#include "log_lines.hpp"
#include "messages.hpp"
#include "process.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::captured;
using testing::count_starting;
using testing::frame_to;
using testing::records_after_start;

// 2026-03-02 08:00:00.000011 UTC.
constexpr std::uint64_t first_time = 1'772'438'400'000'011'000ULL;

// A temporary file of `name` holding `bytes`, removed with this.
struct temporary {
    temporary(const std::string& name, const std::string& bytes)
        : path(testing::temporary_file(name)) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~temporary() { std::filesystem::remove(path); }
    std::string path;
};

// Four messages in two datagrams to group:port, a millisecond apart, sequence
// numbers from `first`, the last one ending the session.
std::vector<captured> session_frames(const std::string& group, std::uint16_t port,
                                     std::uint32_t first = 1) {
    using testing::order_add;
    return {{first_time,
             frame_to(group, port, bytes_of(order_add(first)) + bytes_of(order_add(first + 1)))},
            {first_time + 1'000'000, frame_to(group, port,
                                              bytes_of(order_add(first + 2)) +
                                                  bytes_of(testing::end_of_session(first + 3)))}};
}

// md_dump reading `capture`, in UTC so that capture times read as written here.
testing::process_result read_capture(const std::string& capture,
                                     const std::vector<std::string>& options = {}) {
    setenv("TZ", "UTC", 1);  // NOLINT(concurrency-mt-unsafe): tests run on one thread
    std::vector<std::string> argv{MD_DUMP_BINARY, "--read-capture", capture};
    argv.insert(argv.end(), options.begin(), options.end());
    return testing::run_process(argv);
}

// Every link type md_replay reads, pcapng, and standard input lead to the same
// records; message records carry the capture time, the summary not. The chosen
// frames are copied as captured, with the capture's link type, stamp precision
// (pcapng: nanoseconds) and snapshot length.
TEST(ReadCapture, EveryLinkTypePcapngAndStandardInputGiveTheSameRecords) {
    const std::vector<std::string> expected{
        "[I] " + testing::header_text(testing::order_add(1)),
        "[I] " + testing::header_text(testing::order_add(2)),
        "[I] " + testing::header_text(testing::order_add(3)),
        "[I] " + testing::header_text(testing::end_of_session(4)), "[I] 4 messages received"};
    const struct {
        std::string name;  // "pcapng..." in that format, "stdin" from standard input
        std::uint16_t link;
        bool tagged = false;
    } variants[] = {
        {"vlan", testing::link_ethernet, true}, {"sll", testing::link_linux_sll},
        {"sll2", testing::link_linux_sll2},     {"raw", testing::link_raw},
        {"ipv4", testing::link_ipv4},           {"null", testing::link_null},
        {"pcapng", testing::link_ethernet},     {"pcapng_sll2", testing::link_linux_sll2},
        {"stdin", testing::link_ethernet},      {"ethernet", testing::link_ethernet}};
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        std::vector<captured> frames = session_frames("239.1.1.1", 5000);
        frames.insert(frames.begin() + 1, session_frames("239.1.1.1", 5001).front());
        for (captured& frame : frames) {
            frame.bytes = testing::as_link(v.link, frame.bytes, v.tagged);
        }
        const bool micro = v.name == "vlan";
        const std::uint32_t snapshot_length = micro ? 1518 : 65535;
        const temporary file(v.name,
                             v.name.starts_with("pcapng")
                                 ? testing::pcapng_file(v.link, frames)
                                 : testing::pcap_file(v.link, frames, !micro, snapshot_length));
        const temporary cut(v.name + ".cut", "");
        const testing::process_result result =
            v.name == "stdin"
                ? testing::run_process({"/bin/sh", "-c",
                                        "TZ=UTC exec \"$0\" --read-capture - --port 5000 "
                                        "--write-capture \"$2\" < \"$1\"",
                                        MD_DUMP_BINARY, file.path, cut.path})
                : read_capture(file.path, {"--port", "5000", "--write-capture", cut.path});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(testing::read_file(cut.path),
                  testing::pcap_file(v.link, {frames[0], frames[2]}, !micro, snapshot_length));
        EXPECT_EQ(records_after_start(result.out), expected);
        const std::vector<std::string> lines = testing::split_lines(result.out);
        ASSERT_EQ(lines.size(), 6U);
        EXPECT_EQ(lines[1].rfind("2026-03-02 08:00:00.000011000 [I] length=72|", 0), 0U);
        EXPECT_EQ(lines[3].rfind("2026-03-02 08:00:00.001011000 [I] length=72|", 0), 0U);
        EXPECT_EQ(lines[5].rfind("2026-03-02 08:00:00.", 0), std::string::npos) << lines[5];
    }
}

// Three destinations: A with two datagrams, B and C with one each.
std::string three_destinations() {
    std::vector<captured> frames = session_frames("239.1.1.1", 5000, 1);
    frames.insert(frames.begin() + 1, session_frames("239.1.1.1", 5001, 101).back());  // B's end
    frames.push_back(session_frames("239.2.2.2", 5000, 201).front());  // C's first two orders
    return testing::pcap_file(testing::link_ethernet, frames);
}

// The selection must come down to one destination (errors otherwise: see
// below); then only its messages are shown.
TEST(ReadCapture, GroupAndPortSelectOneDestination) {
    const temporary file("three.pcap", three_destinations());
    for (const auto& [options, first, messages] :
         std::vector<std::tuple<std::vector<std::string>, int, std::size_t>>{
             {{"--multicast-group", "239.1.1.1", "--port", "5000"}, 1, 4},
             {{"--port", "5001"}, 103, 2},
             {{"--multicast-group", "239.2.2.2"}, 201, 2}}) {
        const testing::process_result result = read_capture(file.path, options);
        EXPECT_EQ(result.status, 0) << result.err;
        const std::vector<std::string> shown = records_after_start(result.out);
        ASSERT_FALSE(shown.empty());
        EXPECT_NE(shown.front().find("|seqNum=" + std::to_string(first) + "|"), std::string::npos)
            << shown.front();
        EXPECT_EQ(count_starting(shown, "[I] length="), messages);
        EXPECT_EQ(shown.back(), "[I] " + std::to_string(messages) + " messages received");
    }
}

// Fragments and frames cut by the snapshot length are not decoded: one
// warning with both counts before the summary. Frames of other protocols
// and groups are passed over in silence.
TEST(ReadCapture, FragmentsAndCutFramesAreCountedInOneWarning) {
    std::vector<captured> frames = session_frames("239.1.1.1", 5000);
    captured fragment{first_time, frame_to("239.1.1.1", 5000, "piece")};
    fragment.bytes[14 + 6] = 0x20;  // more fragments follow
    captured other_group_fragment{first_time, frame_to("239.3.3.3", 5000, "piece")};
    other_group_fragment.bytes[14 + 7] = 0x10;  // an offset
    captured cut{first_time, frame_to("239.1.1.1", 5000, std::string(200, 'x'))};
    cut.wire_length = cut.bytes.size();
    cut.bytes.resize(64);
    captured arp{first_time, frame_to("239.1.1.1", 5000, "x")};
    arp.bytes[12] = 0x08;
    arp.bytes[13] = 0x06;
    frames.insert(frames.begin() + 1, {fragment, fragment, other_group_fragment, cut, arp});
    const temporary file("pieces.pcap", testing::pcap_file(testing::link_ethernet, frames));

    const testing::process_result result =
        read_capture(file.path, {"--multicast-group", "239.1.1.1"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> shown = records_after_start(result.out);
    ASSERT_GE(shown.size(), 3U);
    EXPECT_EQ(
        std::vector<std::string>(shown.end() - 3, shown.end()),
        (std::vector<std::string>{"[W] Not read from capture " + file.path +
                                      ": 2 IP fragments, 1 frames cut short by its snapshot length",
                                  "[W] There were some errors.", "[I] 4 messages received"}));
    EXPECT_EQ(count_starting(shown, "[I] length="), 4U);
}

// The progress shown is the reader's position: at the end of a capture, its
// size, read from a file on disk or from a stream in memory alike.
TEST(ReadCapture, PositionReachesTheEndOfTheCapture) {
    const std::string bytes = three_destinations();
    const temporary file("position.pcap", bytes);
    std::string in_memory = bytes;
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the reader closes it
    std::FILE* memory = fmemopen(in_memory.data(), in_memory.size(), "rb");
    ASSERT_NE(memory, nullptr);
    capture::capture_reader from_disk(file.path);
    capture::capture_reader from_memory(memory, "memory");
    EXPECT_EQ(from_disk.position(), 24U);  // the file's header, read through its buffer
    for (capture::capture_reader* reader : {&from_disk, &from_memory}) {
        while (reader->next()) {
        }
        EXPECT_EQ(reader->frames(), 4U) << reader->name();
        EXPECT_EQ(reader->position(), bytes.size()) << reader->name();
    }
}

// A capture cut inside a record: what came before stays, an error record
// says where, the summary follows, status 1.
TEST(ReadCapture, DamagedCapture) {
    const std::string whole =
        testing::pcap_file(testing::link_ethernet, session_frames("239.1.1.1", 5000));
    const temporary file("damaged.pcap", whole.substr(0, whole.size() - 10));
    const testing::process_result damaged = read_capture(file.path, {"--check-seq"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, "");
    const std::vector<std::string> shown = records_after_start(damaged.out);
    ASSERT_EQ(shown.size(), 3U) << damaged.out;
    EXPECT_EQ(shown[0].rfind("[E] Reading stopped: capture " + file.path +
                                 " is damaged after frame 1: truncated dump file",
                             0),
              0U)
        << shown[0];
    EXPECT_EQ(shown[1], "[W] There were some errors.");
    EXPECT_EQ(shown[2], "[I] 2 messages received");
}

// What is no capture at all, a selection that does not come down to one
// destination, and options that do not go with reading a capture end the run
// without a summary. The reason is the whole of standard error where it ends
// with a new line, else its start.
TEST(ReadCapture, UnreadableCapturesAndOptionsThatDoNotGoTogether) {
    const temporary three("three.pcap", three_destinations());
    const temporary empty("empty.pcap", testing::pcap_file(testing::link_ethernet, {}));
    const temporary text("text.pcap", std::string(100, 'x'));
    const std::string missing = testing::temporary_file("missing.pcap");
    const std::string several = "capture " + three.path +
                                " holds datagrams to several destinations; choose one with "
                                "--multicast-group and --port:";
    const std::string a_and_b = "\n  239.1.1.1:5000 2 datagrams\n  239.1.1.1:5001 1 datagrams\n";
    const std::string all = a_and_b + "  239.2.2.2:5000 1 datagrams\n";
    const std::string joining =
        "--local-ip and --interface choose where to join a group: they do not go with "
        "--read-capture\n";
    // The capture and the options; the reason.
    for (const auto& [arguments, error] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{text.path}, "cannot read capture " + text.path + ": unknown file format"},
             {{missing}, "cannot read capture " + missing + ": No such file or directory"},
             {{"-"}, "cannot read capture standard input: "},
             {{three.path}, several + all},
             {{three.path, "--multicast-group", "239.1.1.1"}, several + a_and_b},
             {{three.path, "--multicast-group", "239.9.9.9"},
              "capture " + three.path + " holds no UDP datagram to 239.9.9.9; it holds:" + all},
             {{empty.path}, "capture " + empty.path + " holds no UDP datagram\n"},
             {{empty.path, "--local-ip", "127.0.0.1"}, joining},
             {{empty.path, "--interface", "lo"}, joining},
             {{empty.path, "--multicast-group", "239.1.1"},
              "--multicast-group 239.1.1 is not an IPv4 address\n"},
             {{empty.path, "--write-capture", empty.path},
              "--write-capture would overwrite the capture being read\n"},
             {{empty.path, "--write-capture", "-"},
              "--write-capture - needs --log: standard output cannot carry both the capture and "
              "the log\n"}}) {
        const testing::process_result result =
            read_capture(arguments.front(), {arguments.begin() + 1, arguments.end()});
        EXPECT_EQ(result.status, 1);
        if (error.ends_with('\n')) {
            EXPECT_EQ(result.err, error);
            EXPECT_EQ(result.out.find("messages received"), std::string::npos);  // no summary
        } else {  // the library's words follow; not even the start-up record before
            EXPECT_EQ(result.err.substr(0, error.size()), error);
            EXPECT_EQ(result.out, "");
        }
    }
}

}  // namespace
}  // namespace tarn
