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

namespace tarn {
namespace {

using testing::bytes_of;
using testing::order_add;

constexpr std::uint64_t us = 1'000, ms = 1'000'000;
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
        .add(four.substr(30) + sent_at(6, t0 + 119 * ms) + sent_at(2, t0 + 119 * ms),
             t0 + 120 * ms)
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

    ASSERT_EQ(publisher.published.size(), 3U);
    const published_channel& before = publisher.published[1].channels.at(0);
    EXPECT_EQ(before.messages, 3U);
    EXPECT_EQ(before.lines.at(0).datagrams, 2U);
    EXPECT_EQ(before.lines.at(0).bytes, 246U);
    EXPECT_EQ(before.latency.count(), 3U);

    const published_channel& channel = publisher.published[2].channels.at(0);
    EXPECT_EQ(channel.name, "239.1.1.1:5000");
    EXPECT_EQ(channel.messages, 62U);
    EXPECT_EQ(channel.lost, 1U);
    EXPECT_EQ(channel.gaps, 1U);
    EXPECT_EQ(channel.resends, 1U);
    EXPECT_EQ(channel.short_messages, 1U);
    EXPECT_EQ(channel.unknown_messages, 0U);
    EXPECT_TRUE(channel.has_sequence);
    EXPECT_EQ(channel.last_seq_num, 62U);
    EXPECT_EQ(channel.last_message_time_ns, t0 + 140 * ms);
    ASSERT_EQ(channel.lines.size(), 1U);
    const published_line& line = channel.lines[0];
    EXPECT_EQ(line.name, "A");
    EXPECT_EQ(line.datagrams, 5U);
    EXPECT_EQ(line.bytes, 144U + 102 + 186 + 10 + 57 * 72);
    EXPECT_EQ(line.datagrams_cut, 1U);
    EXPECT_EQ(line.socket_drops, 5U);
    EXPECT_EQ(line.receive_buffer_bytes, 212'992U);
    // 20 us twice, 30 us, 70.03 ms for 4 (sent 50 ms - 30 us) and the two
    // after it, 1 ms for the 56 messages the cut datagram kept.
    EXPECT_EQ(channel.latency.count(), 62U);
    EXPECT_EQ(channel.latency.count_below_bucket_of(100 * us), 3U);
    EXPECT_EQ(channel.latency.count_below_bucket_of(2 * ms), 59U);
    EXPECT_EQ(channel.latency.count_below_bucket_of(70 * ms), 59U);
    EXPECT_EQ(channel.latency.count_below_bucket_of(100 * ms), 62U);
}

// One channel on two lines, published and scraped: every sample as a
// Prometheus server reads it, the sum of latencies to its buckets' precision.
TEST(MetricFamilies, TextOfAScrape) {
    published_figures figures;
    published_channel& channel = figures.channels.emplace_back();
    channel.name = "239.1.1.1:5000";
    channel.messages = 120;
    channel.lost = 3;
    channel.gaps = 2;
    channel.resends = 1;
    channel.unknown_messages = 4;
    channel.short_messages = 5;
    channel.has_sequence = true;
    channel.last_seq_num = 0;
    channel.last_message_time_ns = t0 + 500 * ms;
    channel.peak_messages_per_ms = 7;
    channel.peak_bytes_per_ms = 900;
    channel.latency.record(5 * us, 3);
    channel.latency.record(3 * ms, 2);
    channel.latency.record(-2 * static_cast<std::int64_t>(ms));
    channel.latency.record(2'000 * ms);
    channel.lines = {{"A", 40, 5000, 1, 2, 0, 6, 212'992}, {"B", 38, 4900, 0, 0, 3, 0, 0}};
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
    std::vector<std::string> expected{
        R"(md_dump_build_info{revision="abc",version="9.9.9"} 1)",
        "md_dump_messages_total{" + c + "} 120",
        "md_dump_messages_lost_total{" + c + "} 3",
        "md_dump_gaps_total{" + c + "} 2",
        "md_dump_resends_total{" + c + "} 1",
        "md_dump_unknown_messages_total{" + c + "} 4",
        "md_dump_short_messages_total{" + c + "} 5",
        "md_dump_peak_messages_per_millisecond{" + c + "} 7",
        "md_dump_peak_bytes_per_millisecond{" + c + "} 900",
        "md_dump_last_sequence_number{" + c + "} 0",
        "md_dump_last_message_timestamp_seconds{" + c + "} 1700000000.5",
        "md_dump_latency_seconds_count{" + c + "} 7"};
    const char* const bounds[] = {"1e-05", "2.5e-05", "5e-05", "0.0001", "0.00025", "0.0005",
                                  "0.001", "0.0025",  "0.005", "0.01",   "0.025",   "0.05",
                                  "0.1",   "0.25",    "0.5",   "1",      "+Inf"};
    const int below[] = {4, 4, 4, 4, 4, 4, 4, 4, 6, 6, 6, 6, 6, 6, 6, 6, 7};
    for (std::size_t i = 0; i < std::size(bounds); ++i) {
        expected.push_back("md_dump_latency_seconds_bucket{" + c + ",le=\"" + bounds[i] + "\"} " +
                           std::to_string(below[i]));
    }
    expected.insert(expected.end(),
                    {"md_dump_datagrams_total{" + a + " 40", "md_dump_datagrams_total{" + b + " 38",
                     "md_dump_received_bytes_total{" + a + " 5000",
                     "md_dump_received_bytes_total{" + b + " 4900",
                     "md_dump_datagrams_cut_total{" + a + " 1",
                     "md_dump_datagrams_cut_total{" + b + " 0",
                     "md_dump_socket_drops_total{" + a + " 2",
                     "md_dump_socket_drops_total{" + b + " 0",
                     "md_dump_missed_messages_total{" + a + " 0",
                     "md_dump_missed_messages_total{" + b + " 3",
                     "md_dump_duplicate_messages_total{" + a + " 6",
                     "md_dump_duplicate_messages_total{" + b + " 0",
                     "md_dump_receive_buffer_bytes{" + a + " 212992"});
    EXPECT_EQ(samples, expected);
    // 3 x 5 us + 2 x 3 ms - 2 ms + 2 s.
    const double exact = 2.004015;
    EXPECT_NEAR(std::stod(sum.substr(sum.rfind(' '))), exact, exact / 32) << sum;

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
