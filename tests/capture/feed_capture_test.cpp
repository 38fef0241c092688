// The datagrams of a feed read from a capture written here byte by byte, and
// the progress shown while a capture is read.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "capture/capture_progress.hpp"
#include "capture/feed_capture_source.hpp"
#include "capture_files.hpp"
#include "process.hpp"

namespace tarn {
namespace {

using testing::captured;
using testing::frame_to;

constexpr std::uint64_t first_time = 1'772'438'400'000'000'000ULL;

udp_destination to(const std::string& group, std::uint16_t port) {
    return {capture::parse_ipv4(group), port};
}

// A reader of the capture `file` from memory, called "feed.pcap".
struct in_memory {
    explicit in_memory(std::string file) : bytes(std::move(file)) {
        // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the reader closes it
        std::FILE* stream = fmemopen(bytes.data(), bytes.size(), "rb");
        reader = std::make_unique<capture::capture_reader>(stream, "feed.pcap");
    }
    std::string bytes;
    std::unique_ptr<capture::capture_reader> reader;
};

// Frames a microsecond apart, their payloads as given.
std::string capture_of(const std::vector<std::pair<udp_destination, std::string>>& datagrams) {
    std::vector<captured> frames;
    for (const auto& [destination, payload] : datagrams) {
        const auto& a = destination.address;
        const std::string group = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." +
                                  std::to_string(a[2]) + "." + std::to_string(a[3]);
        frames.push_back(
            {first_time + frames.size() * 1000, frame_to(group, destination.port, payload)});
    }
    return testing::pcap_file(testing::link_ethernet, frames);
}

// Each datagram handed out: its line and its bytes.
using taken = std::vector<std::pair<std::uint16_t, std::string>>;

taken drain(capture::feed_capture_source& source) {
    taken all;
    while (const std::optional<datagram> d = source.next()) {
        all.emplace_back(d->line_index, std::string(d->bytes.begin(), d->bytes.end()));
    }
    return all;
}

const udp_destination a = to("239.1.1.1", 5000);
const udp_destination b = to("239.1.1.1", 5001);
const udp_destination c = to("239.2.2.2", 5000);

// Datagrams to three destinations, and a fragment to the groups of A and C each.
std::string three_destinations() {
    std::vector<captured> frames;
    for (const auto& [destination, payload] : std::vector<std::pair<udp_destination, std::string>>{
             {a, "a1"}, {c, "c1"}, {b, "b1"}, {a, "a2"}, {c, "c2"}}) {
        frames.push_back(
            {first_time + frames.size() * 1000,
             frame_to(destination == c ? "239.2.2.2" : "239.1.1.1", destination.port, payload)});
    }
    for (const std::string group : {"239.1.1.1", "239.2.2.2"}) {
        captured fragment{first_time, frame_to(group, 5000, "piece")};
        fragment.bytes[14 + 6] = 0x20;  // more fragments follow
        frames.push_back(fragment);
    }
    return testing::pcap_file(testing::link_ethernet, frames);
}

// Declared lines take their index; with every destination the others follow
// in the order first seen; the rest is skipped and counted.
TEST(FeedCapture, DeclaredLinesAndEveryDestination) {
    const struct {
        std::vector<udp_destination> declared;
        bool every;
        taken expected;
        std::vector<udp_destination> lines;
        std::uint64_t elsewhere, fragments;
    } rows[] = {
        {{b, a}, false, {{1, "a1"}, {0, "b1"}, {1, "a2"}}, {b, a}, 2, 1},
        {{b}, true, {{1, "a1"}, {2, "c1"}, {0, "b1"}, {1, "a2"}, {2, "c2"}}, {b, a, c}, 0, 2},
        {{}, true, {{0, "a1"}, {1, "c1"}, {2, "b1"}, {0, "a2"}, {1, "c2"}}, {a, c, b}, 0, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lines.size() * 10 + row.declared.size());
        const in_memory file(three_destinations());
        capture::feed_capture_source source(*file.reader, row.declared, row.every);
        EXPECT_EQ(drain(source), row.expected);
        ASSERT_EQ(source.line_count(), row.lines.size());
        for (std::size_t i = 0; i < row.lines.size(); ++i) {
            EXPECT_EQ(source.destination(i), row.lines[i]);
        }
        EXPECT_EQ(source.elsewhere(), row.elsewhere);
        EXPECT_EQ(source.beyond_limit(), 0U);
        EXPECT_EQ(source.fragments(), row.fragments);
    }
}

TEST(FeedCapture, DatagramKeepsItsCaptureTimeAndSender) {
    const in_memory file(three_destinations());
    capture::feed_capture_source source(*file.reader, std::vector{c}, false);
    static_cast<void>(source.next());
    const std::optional<datagram> second = source.next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->time_ns, first_time + 4000);
    EXPECT_EQ(second->sender, capture::parse_ipv4("192.0.2.1"));
    EXPECT_EQ(second->sender_port, 40000);
    EXPECT_EQ(second->wire_size, 2U);
}

// Past 1024 lines, further destinations are skipped and counted apart.
TEST(FeedCapture, EveryDestinationStopsAtTheMostLines) {
    std::vector<std::pair<udp_destination, std::string>> datagrams;
    for (std::uint16_t port = 1; port <= 1026; ++port) {
        datagrams.emplace_back(to("239.1.1.1", port), "x");
    }
    datagrams.emplace_back(to("239.1.1.1", 1025), "y");
    datagrams.emplace_back(to("239.1.1.1", 1), "z");
    const in_memory file(capture_of(datagrams));
    capture::feed_capture_source source(*file.reader, {}, true);
    const taken all = drain(source);
    ASSERT_EQ(all.size(), 1025U);
    EXPECT_EQ(all.back(), (std::pair<std::uint16_t, std::string>{0, "z"}));
    EXPECT_EQ(source.line_count(), 1024U);
    EXPECT_EQ(source.destination(1023), to("239.1.1.1", 1024));
    EXPECT_EQ(source.beyond_limit(), 3U);
    EXPECT_EQ(source.elsewhere(), 3U);
}

// A capture with no datagram to any line ends in an error that lists what it
// holds, largest first; damage ends the input with its text instead.
TEST(FeedCapture, NoDatagramToAnyLine) {
    const std::string whole = capture_of({{a, "a1"}, {c, "c1"}, {a, "a2"}, {b, "b1"}});
    const std::vector<udp_destination> elsewhere{to("239.1.1.1", 9)};
    const std::vector<udp_destination> none;
    for (const auto& [file, declared, error] :
         std::vector<std::tuple<std::string, std::vector<udp_destination>, std::string>>{
             {three_destinations(), elsewhere,
              "capture feed.pcap holds no UDP datagram to a declared channel whole (1 IP "
              "fragments and 0 frames cut short by the capture are not read); it holds:\n"
              "  239.1.1.1:5000 2 datagrams\n  239.2.2.2:5000 2 datagrams\n"
              "  239.1.1.1:5001 1 datagrams"},
             {capture_of({}), none, "capture feed.pcap holds no UDP datagram"},
             {whole.substr(0, whole.size() - 10), elsewhere, ""}}) {
        const in_memory capture(file);
        capture::feed_capture_source source(*capture.reader, declared, declared.empty());
        if (error.empty()) {
            EXPECT_EQ(drain(source).size(), 0U);
            EXPECT_TRUE(source.damage().starts_with(
                "capture feed.pcap is damaged after frame 3: truncated dump file"))
                << source.damage();
            continue;
        }
        try {
            drain(source);
            ADD_FAILURE() << "no error: " << error;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), error);
        }
    }
}

// Datagrams of no content, as many as are left, then the end of the input.
struct counted_source final : datagram_source {
    std::uint64_t left = 0;
    std::optional<datagram> next() override {
        return left == 0 ? std::nullopt : (--left, std::optional<datagram>(datagram{}));
    }
};

// One gigabyte read at the position and times of each row: the clock is
// looked at every 4096th datagram, a line drawn at most every 250 ms, and
// erased at the end of the input.
TEST(CaptureProgress, DrawsAFewTimesASecondAndErasesAtTheEnd) {
    std::uint64_t position = 0;
    std::uint64_t now = 0;
    std::ostringstream shown;
    const struct {
        std::uint64_t datagrams, position, seconds_x100;
        std::string drawn;
    } rows[] = {
        {4095, 420'000'000, 100, ""},
        {1, 420'000'000, 100, "\rday.pcap: 42.0 % read, 420 MB/s, 2 s left\x1b[K"},
        {4096, 430'000'000, 110, ""},
        {4096, 500'000'000, 10'000, "\rday.pcap: 50.0 % read, 5 MB/s, 100 s left\x1b[K"},
        {4096, 600'000'000, 20'000, "\rday.pcap: 60.0 % read, 3 MB/s, 3 min left\x1b[K"},
        {0, 600'000'000, 20'000, "\r\x1b[K"},
    };
    counted_source datagrams;
    capture::progress_source source(
        datagrams, capture::capture_progress(
                       "day.pcap", 1'000'000'000, [&position] { return position; },
                       {.out = &shown, .shown = true, .now_ns = [&now] { return now; }}));
    for (const auto& row : rows) {
        position = row.position;
        now = row.seconds_x100 * 10'000'000;
        shown.str("");
        datagrams.left = row.datagrams;
        while (datagrams.left != 0) {
            ASSERT_TRUE(source.next());
        }
        if (row.datagrams == 0) {
            EXPECT_FALSE(source.next());
        }
        EXPECT_EQ(shown.str(), row.drawn);
    }
}

// Nothing is drawn without a terminal or a size; a file has its size, and is
// read to it.
TEST(CaptureProgress, NeedsATerminalAndAFileOfKnownSize) {
    std::ostringstream shown;
    std::uint64_t now = 0;
    for (const auto& [terminal, size] :
         std::vector<std::pair<bool, std::optional<std::uint64_t>>>{{false, 100}, {true, {}}}) {
        capture::capture_progress progress(
            "day.pcap", size, [] { return 1; },
            {.out = &shown, .shown = terminal, .now_ns = [&now] { return now += 1'000'000'000; }});
        for (int n = 0; n < 10'000; ++n) {
            progress.datagram_read();
        }
    }
    EXPECT_EQ(shown.str(), "");

    const std::string path = testing::temporary_file("progress.pcap");
    const std::string bytes = three_destinations();
    std::ofstream(path, std::ios::binary) << bytes;
    {
        capture::capture_reader reader(path);
        while (reader.next()) {
        }
        EXPECT_EQ(reader.size(), bytes.size());
        EXPECT_EQ(reader.position(), bytes.size());
        EXPECT_FALSE(in_memory(bytes).reader->size());
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tarn
