// md_synth's feed of several channels on A and B lines, read back with
// libpcap: each line's datagrams are its channel's session, less its losses.

#include <pcap/pcap.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "process.hpp"

namespace tarn {
namespace {

struct frame {
    std::uint64_t time_ns;
    std::string destination;  // group:port
    std::string payload;
};

struct capture {
    std::string bytes;
    std::vector<frame> frames;
};

// Ethernet 14 bytes, IPv4 20 (the destination at 16), UDP 8 (port at 2,
// length at 4), then the payload.
capture synth(std::vector<std::string> options) {
    const std::string path = testing::temporary_file("feed.pcap");
    options.insert(options.begin(),
                   {MD_SYNTH_BINARY, "--output", path, "--messages", "1500", "--datagram-size",
                    "200", "--multicast-group", "239.9.0.10", "--port", "5000"});
    const auto result = testing::run_process(options);
    EXPECT_EQ(result.status, 0) << result.err;
    capture read;
    std::ifstream file(path, std::ios::binary);
    read.bytes.assign(std::istreambuf_iterator<char>(file), {});
    std::array<char, PCAP_ERRBUF_SIZE> error{};
    pcap_t* handle = pcap_open_offline_with_tstamp_precision(
        path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error.data());
    EXPECT_NE(handle, nullptr) << error.data();
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (handle != nullptr && pcap_next_ex(handle, &header, &data) == 1) {
        const u_char* ip = data + 14;
        const u_char* udp = ip + 20;
        const std::string destination =
            std::to_string(ip[16]) + "." + std::to_string(ip[17]) + "." + std::to_string(ip[18]) +
            "." + std::to_string(ip[19]) + ":" + std::to_string(udp[2] << 8 | udp[3]);
        const std::size_t size = (udp[4] << 8 | udp[5]) - 8;
        read.frames.push_back(
            {static_cast<std::uint64_t>(header->ts.tv_sec) * 1'000'000'000 + header->ts.tv_usec,
             destination, std::string(reinterpret_cast<const char*>(udp + 8), size)});
    }
    if (handle != nullptr) {
        pcap_close(handle);
    }
    std::filesystem::remove(path);
    return read;
}

// Two channels on both lines: each line carries its channel's session (the
// one channel of seed + channel) in order, each datagram stamped as in
// that session on line A and later on a delayed B line, less losses near
// their probability, a loss on both lines near the product; the same seed
// writes the same file.
TEST(SynthFeed, EachLineCarriesItsChannelsSessionLessItsOwnSeededLosses) {
    struct row {
        std::uint64_t seed;
        double loss_a;
        double loss_b;
        std::uint64_t delay_b_us;
    };
    const std::vector<row> rows{{5, 0.0, 0.0, 200}, {7, 0.1, 0.3, 0}, {9, 0.0, 0.5, 50}};
    // channel → line A's and line B's destinations
    const std::vector<std::array<std::string, 2>> lines{{"239.9.0.10:5000", "239.9.0.11:5000"},
                                                        {"239.9.0.12:5001", "239.9.0.13:5001"}};
    for (const row& r : rows) {
        SCOPED_TRACE("seed " + std::to_string(r.seed));
        std::vector<std::string> options{"--channels", "2", "--b-line", "--seed"};
        for (const std::string& value : std::initializer_list<std::string>{
                 std::to_string(r.seed), "--loss-a", std::to_string(r.loss_a), "--loss-b",
                 std::to_string(r.loss_b), "--delay-b", std::to_string(r.delay_b_us)}) {
            options.push_back(value);
        }
        const capture feed = synth(options);
        EXPECT_EQ(synth(options).bytes, feed.bytes);
        std::vector<std::string> other_seed = options;
        other_seed[4] = std::to_string(r.seed + 100);
        EXPECT_NE(synth(other_seed).bytes, feed.bytes);

        std::map<std::string, std::vector<const frame*>> by_destination;
        std::uint64_t last_time = 0;
        for (const frame& f : feed.frames) {
            EXPECT_GE(f.time_ns, last_time);  // in capture-time order across lines
            last_time = f.time_ns;
            by_destination[f.destination].push_back(&f);
        }
        EXPECT_EQ(by_destination.size(), r.loss_a == 1.0 ? 2U : 4U);
        for (std::size_t channel = 0; channel < lines.size(); ++channel) {
            // The channel's session alone, packed as a feed packs it: whole messages.
            const capture session =
                synth({"--channels", "1", "--seed", std::to_string(r.seed + channel)});
            const double n = static_cast<double>(session.frames.size());
            // Each line's datagrams are the session's, in order: where in it.
            std::array<std::map<std::size_t, std::uint64_t>, 2> carried;  // index → time
            for (std::size_t l = 0; l < 2; ++l) {
                std::size_t at = 0;
                for (const frame* f : by_destination[lines[channel][l]]) {
                    while (at < session.frames.size() && session.frames[at].payload != f->payload) {
                        ++at;
                    }
                    ASSERT_LT(at, session.frames.size()) << lines[channel][l];
                    carried[l][at++] = f->time_ns;
                }
            }
            const std::array<double, 2> loss{r.loss_a, r.loss_b};
            for (std::size_t l = 0; l < 2; ++l) {
                const double lost = n - static_cast<double>(carried[l].size());
                EXPECT_NEAR(lost, loss[l] * n, 4 * std::sqrt(n * loss[l] * (1 - loss[l])) + 0.5)
                    << lines[channel][l];
            }
            std::size_t lost_on_both = 0;
            double delay_sum = 0;
            double pairs = 0;
            for (std::size_t i = 0; i < session.frames.size(); ++i) {
                const auto a = carried[0].find(i);
                const auto b = carried[1].find(i);
                lost_on_both += a == carried[0].end() && b == carried[1].end() ? 1 : 0;
                if (a != carried[0].end()) {
                    EXPECT_EQ(a->second, session.frames[i].time_ns);
                }
                if (a != carried[0].end() && b != carried[1].end()) {
                    EXPECT_GE(b->second, a->second);
                    delay_sum += static_cast<double>(b->second - a->second);
                    ++pairs;
                }
            }
            const double both = loss[0] * loss[1];
            EXPECT_NEAR(static_cast<double>(lost_on_both), both * n,
                        4 * std::sqrt(n * both * (1 - both)) + 0.5);
            const double mean_delay_us = delay_sum / pairs / 1000;
            EXPECT_GE(mean_delay_us, 0.5 * static_cast<double>(r.delay_b_us));
            EXPECT_LE(mean_delay_us, 2.0 * static_cast<double>(r.delay_b_us));
        }
    }
}

}  // namespace
}  // namespace tarn
