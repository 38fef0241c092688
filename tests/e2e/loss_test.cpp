// Where messages are lost and how a run is stopped, end to end: the receive
// buffer asked for, socket drops against the sequence check, a datagram cut
// by the kernel, the stop signals in every mode, interval statistics.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "dump_session.hpp"
#include "messages.hpp"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using testing::bytes_of;
using testing::eventually;
using testing::order_add;
using testing::orders;

std::uint64_t now_ns() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

std::uint64_t number(std::string text) {
    std::erase(text, '\'');
    return std::stoull(text);
}

// Whether md_dump's socket has nothing queued, as /proc/net/udp shows it:
// bound to the test group (its bytes in hexadecimal read in host order) and
// port, not connected, closed (as unconnected UDP is), both queues empty.
bool queue_is_empty() {
    char idle[64];
    std::snprintf(idle, sizeof idle, "0101FFEF:%04X 00000000:0000 07 00000000:00000000",
                  testing::test_port);
    return testing::read_file("/proc/net/udp").find(idle) != std::string::npos;
}

// The count of the warning "[W] <count> <what>", 0 without one.
std::uint64_t warned(const std::vector<std::string>& log, const std::string& what) {
    for (const std::string& line : log) {
        if (line.starts_with("[W] ") && line.ends_with(" " + what)) {
            return number(line.substr(4, line.size() - 5 - what.size()));
        }
    }
    return 0;
}

// Three runs with --check-seq and a receive buffer asked for. Above the
// system's limit only a process with CAP_NET_ADMIN gets what it asks for;
// without it the size granted is less, and the record says so.
// With one byte or in full: one-message datagrams burst into the socket while
// md_dump is stopped; what its buffer cannot hold the kernel drops, and the
// summary's socket drops are exactly the messages the sequence check finds lost.
// Without the capability: a datagram longer than the application's receive
// buffer is reported, its complete messages counted, and the next datagram
// decoded from its first byte.
TEST(SocketLoss, ReceiveBufferDropsAndACutDatagram) {
    constexpr std::uint32_t burst = 300;
    const struct {
        std::string buffer;
        std::vector<std::string> prefix;
        std::string record, asked;
    } cases[] = {
        {"1", {}, "[I] Socket receive buffer of ", " bytes, 1 asked"},
        // Above the system's limit.
        {"1G", {}, "[I] Socket receive buffer of ", " bytes, 1'073'741'824 asked"},
        {"1G",
         {"/usr/bin/setpriv", "--inh-caps=-net_admin", "--bounding-set=-net_admin"},
         "[W] Socket receive buffer of only ",
         " bytes, 1'073'741'824 asked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record + c.buffer);
        testing::dump_session dump({"--check-seq", "--receive-buffer", c.buffer}, c.prefix);
        const bool cut = !c.prefix.empty();
        if (cut) {
            dump.send(orders(1, 70));
            dump.send(orders(71, 71));
        } else {
            dump.process().signal(SIGSTOP);
            ASSERT_TRUE(dump.process().wait_until_stopped(10s));
            for (std::uint32_t seq = 1; seq <= burst; ++seq) {
                dump.send(bytes_of(order_add(seq)));
            }
            dump.process().signal(SIGCONT);
            ASSERT_TRUE(eventually(queue_is_empty));
        }
        dump.send(bytes_of(testing::end_of_session(cut ? 72 : burst + 1)));
        const auto [result, log] = dump.finish();
        EXPECT_EQ(result.status, 0);
        ASSERT_GE(log.size(), 3U);
        EXPECT_EQ(log[1].rfind(c.record, 0), 0U) << log[1];
        EXPECT_NE(log[1].find(c.asked), std::string::npos) << log[1];
        const std::uint64_t drops = warned(log,
                                           "datagrams dropped by this host's socket, its receive "
                                           "buffer full: see --receive-buffer");
        const std::uint64_t lost = warned(log, "messages lost");
        if (cut) {
            EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end()),
                      (std::vector<std::string>{
                          "[W] Datagram of 5040 bytes cut to the 4096 bytes the receive buffer "
                          "had room for; its incomplete end dropped",
                          "[E] Out of sync message. Expected seqNum 57, received seqNum 71, 14 "
                          "messages lost",
                          "[W] There were some errors.", "[I] 58 messages received",
                          "[W] 14 messages lost"}));
        } else if (c.buffer == "1") {
            EXPECT_GT(drops, 0U);
            EXPECT_EQ(drops, lost);
        } else {
            EXPECT_EQ(drops, 0U);
            EXPECT_EQ(lost, 0U);
            EXPECT_EQ(log.back(), "[I] 301 messages received");
        }
    }
}

// SIGINT and SIGTERM, in turn over the modes: the summary of what was
// received, then the end by the signal itself, so the parent sees the status
// it would see without md_dump handling it.
TEST(StopSignals, SummaryThenTheSignalsOwnEnd) {
    const std::vector<std::vector<std::string>> modes = {
        {}, {"--hb"}, {"--full-dump"}, {"--full-dump", "--hb"}, {"--check-seq", "--every", "10"}};
    int signal = SIGTERM;
    for (const auto& mode : modes) {
        signal = signal == SIGINT ? SIGTERM : SIGINT;
        const bool full = std::find(mode.begin(), mode.end(), "--full-dump") != mode.end();
        // The start-up record, then ten messages or the progress at ten.
        const std::size_t lines = mode.size() == 3 ? 2 : 11;
        SCOPED_TRACE(::testing::PrintToString(mode) + " signal " + std::to_string(signal));
        testing::dump_session dump(mode);
        dump.send(orders(1, 10));
        ASSERT_TRUE(eventually([&] { return dump.log_so_far().size() == lines; }));
        dump.process().signal(signal);
        const auto [result, log] = dump.finish();
        EXPECT_EQ(result.signal, signal);
        EXPECT_EQ(result.err, "");
        const auto summary = std::find(log.begin(), log.end(), "[I] 10 messages received");
        ASSERT_NE(summary, log.end());
        EXPECT_EQ(log.end() - summary, full ? 2 : 1);  // and the row of OrderAdd
    }
}

// Records at the interval, through traffic and through silence, whose counts
// add up to what was sent. Sent on this host's clock and received on the
// same: no latency is below 0, none reaches a second. The peaks per ms are
// checked exactly without a network.
TEST(StatsInterval, RecordsFollowTrafficAndSilence) {
    testing::dump_session dump({"--check-seq", "--stats-interval", "0.2"});
    for (std::uint32_t datagram = 0; datagram < 5; ++datagram) {
        std::string four;
        for (std::uint32_t i = 1; i <= 4; ++i) {
            four += bytes_of(
                order_add(datagram * 4 + i).set("timestamp", static_cast<std::uint64_t>(now_ns())));
        }
        dump.send(four);
    }
    const std::regex silent(R"(\[I\] Interval of [0-9.]+ s: 0 messages .*)");
    ASSERT_TRUE(eventually([&] {
        return std::ranges::count_if(dump.log_so_far(), [&](const std::string& line) {
                   return std::regex_match(line, silent);
               }) >= 3;
    }));
    dump.process().signal(SIGINT);
    const auto [result, log] = dump.finish();
    EXPECT_EQ(result.signal, SIGINT);
    const std::regex figures(
        R"(\[I\] (Interval|Whole run) of [0-9.]+ s: ([0-9']+) messages \([0-9']+/s\), )"
        R"(([0-9']+) datagrams \([0-9']+/s\), ([0-9']+) bytes, 0 gaps, 0 messages lost, )"
        R"(0 socket drops, (no latency|latency p50 [0-9.]+ [um]s p99 \S+ \S+ max [0-9.]+ [um]s), )"
        R"(peak per ms [0-9']+ messages [0-9']+ bytes)");
    std::array<std::uint64_t, 3> sums{}, whole_run{};
    std::uint64_t intervals = 0;
    for (const std::string& line : log) {
        std::smatch f;
        if (!std::regex_match(line, f, figures)) {
            continue;
        }
        const std::array<std::uint64_t, 3> counts{number(f[2]), number(f[3]), number(f[4])};
        if (f[1] == "Whole run") {
            whole_run = counts;
            EXPECT_NE(f[5], "no latency");
            continue;
        }
        ++intervals;
        for (std::size_t i = 0; i < 3; ++i) {
            sums[i] += counts[i];
        }
    }
    const std::array<std::uint64_t, 3> sent{20, 5, 20 * 72};  // messages, datagrams, bytes
    EXPECT_EQ(whole_run, sent);
    EXPECT_EQ(sums, sent);
    EXPECT_GE(intervals, 4U);
}

}  // namespace
}  // namespace tarn
