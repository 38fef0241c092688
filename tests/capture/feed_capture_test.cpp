// A feed's lines read from captures written here byte by byte; progress shown.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "capture/capture_progress.hpp"
#include "capture/feed_capture_source.hpp"
#include "capture_files.hpp"
#include "process.hpp"

namespace tarn {
namespace {

constexpr std::uint64_t feed_start = 1'772'438'400'000'000'000ULL;
const udp_destination a{{239, 1, 1, 1}, 5000};
const udp_destination b{{239, 1, 1, 1}, 5001};
const udp_destination c{{239, 2, 2, 2}, 5000};

// Ethernet frames a microsecond apart; a payload "piece" is a fragment.
std::string capture_of(const std::vector<std::pair<udp_destination, std::string>>& datagrams) {
    std::vector<testing::captured> frames;
    for (const auto& [to, payload] : datagrams) {
        const std::string group = text_of(to).substr(0, text_of(to).find(':'));
        frames.push_back(
            {feed_start + frames.size() * 1000, testing::frame_to(group, to.port, payload)});
        frames.back().bytes[14 + 6] = payload == "piece" ? 0x20 : 0x00;  // more fragments follow
    }
    return testing::pcap_file(testing::link_ethernet, frames);
}

// Datagrams to A, B and C, and a fragment to the groups of A and C each.
const std::string three_destination_capture =
    capture_of({{a, "a1"}, {c, "c1"}, {b, "b1"}, {a, "piece"}, {a, "a2"}, {c, "c2"}, {c, "piece"}});

// A reader of a capture file holding `bytes`, removed once open.
const std::string path = testing::temporary_file("feed.pcap");
std::unique_ptr<capture::capture_reader> reader_of(const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    auto reader = std::make_unique<capture::capture_reader>(path);
    std::filesystem::remove(path);
    return reader;
}

using taken = std::vector<std::pair<std::uint16_t, std::string>>;

taken drain(capture::feed_capture_source& source) {
    taken all;
    while (const std::optional<datagram> d = source.next()) {
        all.emplace_back(d->line_index, std::string(d->bytes.begin(), d->bytes.end()));
    }
    return all;
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
        const auto reader = reader_of(three_destination_capture);
        capture::feed_capture_source source(*reader, row.declared, row.every);
        EXPECT_EQ(source.next()->time_ns, feed_start);
        EXPECT_EQ(source.next()->sender, (capture::ipv4_address{192, 0, 2, 1}));
        EXPECT_EQ(drain(source), taken(row.expected.begin() + 2, row.expected.end()));
        for (std::size_t i = 0; i < row.lines.size(); ++i) {
            EXPECT_EQ(source.destination(i), row.lines[i]);
        }
        const std::size_t size = three_destination_capture.size();  // read to its end: the progress
        EXPECT_EQ(std::tuple(source.line_count(), source.elsewhere(), source.beyond_limit(),
                             source.fragments(), reader->size(), reader->position()),
                  std::tuple(row.lines.size(), row.elsewhere, 0U, row.fragments, size, size));
    }
}

// Past 1024 lines, further destinations are skipped and counted apart.
TEST(FeedCapture, EveryDestinationStopsAtTheMostLines) {
    std::vector<std::pair<udp_destination, std::string>> datagrams;
    for (std::uint16_t port = 1; port <= 1026; ++port) {
        datagrams.push_back({{a.address, port}, "x"});
    }
    datagrams.insert(datagrams.end(), {{{a.address, 1025}, "y"}, {{a.address, 1}, "z"}});
    const auto reader = reader_of(capture_of(datagrams));
    capture::feed_capture_source source(*reader, {}, true);
    const taken all = drain(source);
    EXPECT_EQ(std::tuple(all.size(), all.back().first, all.back().second, source.line_count(),
                         source.destination(1023).port, source.beyond_limit(), source.elsewhere()),
              std::tuple(1025U, 0, "z", 1024U, 1024, 3U, 3U));
}

// A capture with no datagram to any line ends in an error that lists what it
// holds, largest first; damage ends the input with its text instead.
TEST(FeedCapture, NoDatagramToAnyLine) {
    const std::vector<udp_destination> elsewhere{{a.address, 9}}, none;
    for (const auto& [file, declared, error] :
         std::vector<std::tuple<std::string, std::vector<udp_destination>, std::string>>{
             {three_destination_capture, elsewhere,
              "holds no UDP datagram to a declared channel whole (1 IP fragments and 0 frames cut "
              "short by the capture are not read); it holds:\n  239.1.1.1:5000 2 datagrams\n"
              "  239.2.2.2:5000 2 datagrams\n  239.1.1.1:5001 1 datagrams"},
             {capture_of({}), none, "holds no UDP datagram"},
             {three_destination_capture.substr(0, three_destination_capture.size() - 10), elsewhere,
              ""}}) {
        const auto reader = reader_of(file);
        capture::feed_capture_source source(*reader, declared, declared.empty());
        std::string thrown;
        try {
            EXPECT_EQ(drain(source).size(), 0U);
        } catch (const std::runtime_error& e) {
            thrown = e.what();
        }
        EXPECT_EQ(thrown, error.empty() ? "" : "capture " + path + " " + error);
        EXPECT_EQ(source.damage().rfind("capture " + path + " is damaged after frame 6", 0),
                  error.empty() ? 0 : std::string::npos);
    }
}

// Empty datagrams, as many as are left, then the end.
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
    std::uint64_t position = 0, now = 0;
    std::ostringstream shown;
    counted_source datagrams;
    capture::progress_source source(
        datagrams, capture::capture_progress(
                       "day.pcap", 1'000'000'000, [&position] { return position; },
                       {.out = &shown, .shown = true, .now_ns = [&now] { return now; }}));
    for (const auto& [count, read, centiseconds, drawn] :
         std::vector<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::string>>{
             {4095, 420'000'000, 100, ""},
             {1, 420'000'000, 100, "\rday.pcap: 42.0 % read, 420 MB/s, 2 s left\x1b[K"},
             {4096, 430'000'000, 110, ""},
             {4096, 500'000'000, 10'000, "\rday.pcap: 50.0 % read, 5 MB/s, 100 s left\x1b[K"},
             {4096, 600'000'000, 20'000, "\rday.pcap: 60.0 % read, 3 MB/s, 3 min left\x1b[K"},
             {0, 600'000'000, 20'000, "\r\x1b[K"}}) {
        position = read;
        now = centiseconds * 10'000'000;
        shown.str("");
        datagrams.left = count;
        for (std::uint64_t n = 0; n < count + (count == 0 ? 1 : 0); ++n) {
            EXPECT_EQ(source.next().has_value(), count != 0);  // the last row's: the end
        }
        EXPECT_EQ(shown.str(), drawn);
    }
}

}  // namespace
}  // namespace tarn
