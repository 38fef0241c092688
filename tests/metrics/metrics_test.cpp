// The metrics side: what a run publishes as it goes, and the text a scrape
// gets for published figures, checked by promtool where it is installed.

#include <gtest/gtest.h>

#include <prometheus/text_serializer.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "datagram_queue.hpp"
#include "log_capture.hpp"
#include "messages.hpp"
#include "metrics/latest_figures.hpp"
#include "process.hpp"
#include "processing/receive_loop.hpp"
#include "processing/run_publication.hpp"
#include "time_units.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::order_add;

using testing::ms;
using testing::us;
constexpr std::uint64_t t0 = 1'700'000'000'000'000'000ULL;

std::string sent_at(std::uint32_t seq, std::uint64_t at) {
    md::message_builder m = order_add(seq);
    m.set("timestamp", at);
    return bytes_of(m);
}

// Keeps a copy of every publishing.
struct recording_publisher final : figures_publisher {
    std::vector<published_figures> published;
    void publish(const published_figures& figures) override { published.push_back(figures); }
};

// OrderAdd 1 to 62 but 5 in five datagrams: one carries part of 4 over to the
// next, which resends 2; then a message of 10 bytes, and a datagram cut at
// 4096 bytes. Publishing comes at the first datagram, at the first one
// 100 ms later, and at the end, each with the datagrams before it whole. A
// datagram's latency is its first message's, for each of its messages.
TEST(RunPublication, FiguresOfTheRunAsItGoes) {
    const std::string four = sent_at(4, t0 + 50 * ms - 30 * us);
    std::string cut;
    for (std::uint32_t seq = 7; seq <= 63; ++seq) {
        cut += sent_at(seq, t0 + 139 * ms);
    }
    std::string short_message(10, '\0');
    short_message[0] = 10;
    testing::datagram_queue datagrams;
    datagrams.add(sent_at(1, t0 - 20 * us) + sent_at(2, t0 - 20 * us), t0)
        .add(sent_at(3, t0 + 50 * ms - 30 * us) + four.substr(0, 30), t0 + 50 * ms)
        .add(four.substr(30) + sent_at(6, t0 + 119 * ms) + sent_at(2, t0 + 119 * ms), t0 + 120 * ms)
        .add(short_message, t0 + 130 * ms)
        .add(cut, t0 + 140 * ms)
        .add("");
    datagrams.set_dropped(5);
    const testing::log_capture log;
    md::seq_check_processor processor;
    recording_publisher publisher;
    const udp_destination destination{{239, 1, 1, 1}, 5000};
    run_publication publication(publisher, destination, 212'992);
    receive_loop(processor, datagrams, nullptr, &publication);

    // The numbers of a publishing, in one line.
    const auto numbers = [](const published_figures& figures) {
        const published_channel& c = figures.channels.at(0);
        const published_line& l = c.lines.at(0);
        return spdlog::fmt_lib::format(
            "{} {} {} {} {} {} {} {} {} {} | {} {} {} {} {} {} {}", c.name, c.messages, c.lost,
            c.gaps, c.resends, c.short_messages, c.unknown_messages, c.has_sequence, c.last_seq_num,
            c.last_message_time_ns - t0, l.name, l.datagrams, l.bytes, l.datagrams_cut,
            l.socket_drops, l.receive_buffer_bytes, c.latency.count());
    };
    ASSERT_EQ(publisher.published.size(), 3U);
    EXPECT_EQ(numbers(publisher.published[1]),
              "239.1.1.1:5000 3 0 0 0 0 0 true 3 50000000 | A 2 246 0 5 212992 3");
    const std::string bytes = std::to_string(144 + 102 + 186 + 10 + 57 * 72);
    EXPECT_EQ(numbers(publisher.published[2]),
              "239.1.1.1:5000 62 1 1 1 1 0 true 62 140000000 | A 5 " + bytes + " 1 5 212992 62");
    // 20 us twice, 30 us, 70.03 ms for 4 (sent 50 ms - 30 us) and the two
    // after it, 1 ms for the 56 messages the cut datagram kept.
    // Counted at the bounds of 100 us, 2.5 ms, 50 ms and 100 ms.
    const latency_tally& latency = publisher.published[2].channels[0].latency;
    EXPECT_EQ(latency.at_most(3), 3U);
    EXPECT_EQ(latency.at_most(7), 59U);
    EXPECT_EQ(latency.at_most(11), 59U);
    EXPECT_EQ(latency.at_most(12), 62U);
}

// A latency is counted at the first bound it is at most: on a bound, just
// above one, at the edges of the powers of two around them, below zero and
// above every bound.
TEST(LatencyTally, CountsEachLatencyAtItsFirstBound) {
    const struct {
        std::int64_t latency_ns;
        std::size_t first_bound;  // 16: above them all
    } rows[] = {{-5, 0},
                {0, 0},
                {1, 0},
                {10'000, 0},
                {10'001, 1},
                {16'383, 1},
                {16'384, 1},
                {25'000, 1},
                {32'768, 2},
                {50'000, 2},
                {50'001, 3},
                {2'500'000, 7},
                {2'500'001, 8},
                {999'999'999, 15},
                {1'000'000'000, 15},
                {1'000'000'001, 16},
                {INT64_MAX, 16}};
    for (const auto& row : rows) {
        latency_tally tally;
        tally.record(row.latency_ns, 2);
        for (std::size_t bound = 0; bound < latency_bounds_ns.size(); ++bound) {
            EXPECT_EQ(tally.at_most(bound), bound < row.first_bound ? 0U : 2U)
                << row.latency_ns << " at bound " << bound;
        }
        EXPECT_EQ(tally.count(), 2U);
    }
}

// One channel on two lines, published and scraped: every sample as a
// Prometheus server reads it.
TEST(MetricFamilies, TextOfAScrape) {
    published_figures figures;
    published_channel& channel = figures.channels.emplace_back();
    // Messages, lost, gaps, resends, unknown, short, a number (0), its time, peaks.
    channel = {"239.1.1.1:5000", 120, 3, 2, 1, 4, 5, true, 0, t0 + 500 * ms, 7, 900, {}, {}};
    channel.lines = {{"A", 40, 5000, 1, 2, 0, 6, 212'992}, {"B", 38, 4900, 0, 0, 3, 0, 0}};
    channel.latency.record(5 * us, 3);
    channel.latency.record(3 * ms, 2);
    channel.latency.record(-2 * static_cast<std::int64_t>(ms), 1);
    channel.latency.record(2'000 * ms, 1);
    metrics::latest_figures latest({"9.9.9", "abc"});
    latest.publish(figures);
    const std::string text = prometheus::TextSerializer().Serialize(latest.Collect());

    std::vector<std::string> samples;
    std::string sum;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("md_dump_latency_seconds_sum")) {
            sum = line;
        } else if (!line.starts_with("#")) {
            samples.push_back(line);
        }
    }
    const std::string c = R"(channel="239.1.1.1:5000")";
    const std::string a = c + R"(,line="A"})", b = c + R"(,line="B"})";
    std::vector<std::string> expected{R"(md_dump_build_info{revision="abc",version="9.9.9"} 1)"};
    const char* const per_channel[][2] = {{"messages_total", "120"},
                                          {"messages_lost_total", "3"},
                                          {"gaps_total", "2"},
                                          {"resends_total", "1"},
                                          {"unknown_messages_total", "4"},
                                          {"short_messages_total", "5"},
                                          {"peak_messages_per_millisecond", "7"},
                                          {"peak_bytes_per_millisecond", "900"},
                                          {"last_sequence_number", "0"},
                                          {"last_message_timestamp_seconds", "1700000000.5"},
                                          {"latency_seconds_count", "7"}};
    for (const auto& [family, value] : per_channel) {
        expected.push_back(std::string("md_dump_") + family + "{" + c + "} " + value);
    }
    const char* const bounds[] = {"1e-05", "2.5e-05", "5e-05", "0.0001", "0.00025", "0.0005",
                                  "0.001", "0.0025",  "0.005", "0.01",   "0.025",   "0.05",
                                  "0.1",   "0.25",    "0.5",   "1",      "+Inf"};
    const int below[] = {4, 4, 4, 4, 4, 4, 4, 4, 6, 6, 6, 6, 6, 6, 6, 6, 7};
    for (std::size_t i = 0; i < std::size(bounds); ++i) {
        expected.push_back("md_dump_latency_seconds_bucket{" + c + ",le=\"" + bounds[i] + "\"} " +
                           std::to_string(below[i]));
    }
    const char* const per_line[][3] = {
        {"datagrams", "40", "38"},     {"received_bytes", "5000", "4900"},
        {"datagrams_cut", "1", "0"},   {"socket_drops", "2", "0"},
        {"missed_messages", "0", "3"}, {"duplicate_messages", "6", "0"}};
    for (const auto& [family, on_a, on_b] : per_line) {
        expected.push_back(std::string("md_dump_") + family + "_total{" + a + " " + on_a);
        expected.push_back(std::string("md_dump_") + family + "_total{" + b + " " + on_b);
    }
    expected.push_back("md_dump_receive_buffer_bytes{" + a + " 212992");
    EXPECT_EQ(samples, expected);
    // 3 x 5 us + 2 x 3 ms - 2 ms + 2 s.
    const double exact = 2.004015;
    EXPECT_DOUBLE_EQ(std::stod(sum.substr(sum.rfind(' '))), exact) << sum;

    if (std::filesystem::exists("/usr/bin/promtool")) {
        const std::string file = testing::temporary_file("scrape.txt");
        std::ofstream(file) << text;
        const testing::process_result check =
            testing::run_process({"/bin/sh", "-c", "/usr/bin/promtool check metrics < " + file});
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        std::filesystem::remove(file);
    }
}

}  // namespace
}  // namespace tarn
