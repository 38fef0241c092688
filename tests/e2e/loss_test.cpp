// Where messages are lost and how a run is stopped, end to end: socket drops
// against the sequence check, the receive buffer asked for, a datagram cut
// by the kernel, the stop signals in every mode, interval statistics.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dump_session.hpp"
#include "messages.hpp"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using testing::bytes_of;
using testing::order_add;

std::uint64_t now_ns() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

std::uint64_t number(std::string text) {
    std::erase(text, '\'');
    return std::stoull(text);
}

// OrderAdd messages `first` to `last`, end to end.
std::string orders(std::uint32_t first, std::uint32_t last) {
    std::string bytes;
    for (std::uint32_t seq = first; seq <= last; ++seq) {
        bytes += bytes_of(order_add(seq));
    }
    return bytes;
}

std::string grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), "'");
    }
    return digits;
}

// Polls until `ready()` holds; false after 10 seconds.
template <class Ready>
bool eventually(Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Whether md_dump's socket (bound to the test group and port) has nothing
// queued, as /proc/net/udp shows it.
bool queue_is_empty() {
    char local[32];
    // The address as the hexadecimal of its bytes read in host order, then the port.
    std::snprintf(local, sizeof local, "0101FFEF:%04X", testing::test_port);
    std::istringstream table(testing::read_file("/proc/net/udp"));
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string slot, address, remote, state, queues;
        fields >> slot >> address >> remote >> state >> queues;
        if (address == local && queues.substr(queues.find(':') + 1) == "00000000") {
            return true;
        }
    }
    return false;
}

// The count of the warning "[W] <count> <what>", 0 without one.
std::uint64_t warned(const std::vector<std::string>& log, const std::string& what) {
    const std::regex record(R"(\[W\] ([0-9']+) )" + what);
    std::smatch match;
    for (const std::string& line : log) {
        if (std::regex_search(line, match, record) && match.position(0) == 0) {
            return number(match[1]);
        }
    }
    return 0;
}

// One-message datagrams burst into the socket while md_dump is stopped:
// what its buffer cannot hold the kernel drops, and the summary's socket
// drops are exactly the messages the sequence check finds lost.
TEST(SocketLoss, DropsAreTheMessagesTheSequenceCheckLost) {
    constexpr std::uint32_t burst = 300;
    for (const char* buffer : {"1", "8M"}) {
        SCOPED_TRACE(buffer);
        testing::dump_session dump({"--check-seq", "--receive-buffer", buffer});
        ASSERT_TRUE(dump.joined());
        dump.process().signal(SIGSTOP);
        ASSERT_TRUE(dump.process().wait_until_stopped(10s));
        for (std::uint32_t seq = 1; seq <= burst; ++seq) {
            dump.send(bytes_of(order_add(seq)));
        }
        dump.process().signal(SIGCONT);
        ASSERT_TRUE(eventually(queue_is_empty));
        dump.send(bytes_of(testing::end_of_session(burst + 1)));
        EXPECT_EQ(dump.finish().status, 0);
        const std::uint64_t drops =
            warned(dump.log(),
                   "datagrams dropped by this host's socket, its receive buffer "
                   "full: see --receive-buffer");
        const std::uint64_t lost = warned(dump.log(), "messages lost");
        if (buffer == std::string("1")) {
            EXPECT_GT(drops, 0U);
            EXPECT_EQ(drops, lost);
        } else {
            EXPECT_EQ(drops, 0U);
            EXPECT_EQ(lost, 0U);
            EXPECT_EQ(dump.log().back(), "[I] " + grouped(burst + 1) + " messages received");
        }
    }
}

// Above the system's limit only a process with CAP_NET_ADMIN gets what it
// asks for; without it the size granted is less, and a warning says so.
TEST(ReceiveBuffer, GrantedOrLessIsReported) {
    const std::uint64_t asked = 4 * number(testing::read_file("/proc/sys/net/core/rmem_max"));
    const struct {
        std::vector<std::string> prefix;
        std::string record;
    } cases[] = {
        {{}, "[I] Socket receive buffer of "},
        {{"/usr/bin/setpriv", "--inh-caps=-net_admin", "--bounding-set=-net_admin"},
         "[W] Socket receive buffer of only "},
    };
    for (const auto& c : cases) {
        testing::dump_session dump({"--receive-buffer", std::to_string(asked)}, c.prefix);
        ASSERT_TRUE(dump.joined());
        dump.send(bytes_of(testing::end_of_session(1)));
        EXPECT_EQ(dump.finish().status, 0);
        ASSERT_GE(dump.log().size(), 2U);
        const std::string& record = dump.log()[1];
        EXPECT_EQ(record.rfind(c.record, 0), 0U) << record;
        EXPECT_NE(record.find(" bytes, " + grouped(asked) + " asked"), std::string::npos) << record;
    }
}

// A datagram longer than the receive buffer: reported, its complete
// messages counted, and the next datagram decoded from its first byte.
TEST(CutDatagram, IsReportedAndTheNextDecodes) {
    testing::dump_session dump({"--check-seq"});
    ASSERT_TRUE(dump.joined());
    dump.send(orders(1, 70));
    dump.send(orders(71, 71));
    dump.send(bytes_of(testing::end_of_session(72)));
    EXPECT_EQ(dump.finish().status, 0);
    EXPECT_EQ(
        std::vector<std::string>(dump.log().begin() + 1, dump.log().end()),
        (std::vector<std::string>{
            "[W] Datagram of 5040 bytes cut to the 4096 bytes the receive buffer had room "
            "for; its incomplete end dropped",
            "[E] Out of sync message. Expected seqNum 57, received seqNum 71, 14 messages "
            "lost",
            "[W] There were some errors.", "[I] 58 messages received", "[W] 14 messages lost"}));
}

// SIGINT and SIGTERM: the summary of what was received, then the end by the
// signal itself, so the parent sees the status it would see without md_dump
// handling it.
TEST(StopSignals, SummaryThenTheSignalsOwnEnd) {
    const std::vector<std::vector<std::string>> modes = {
        {}, {"--hb"}, {"--full-dump"}, {"--full-dump", "--hb"}, {"--check-seq", "--every", "10"}};
    const auto tenth = order_add(10);
    for (const auto& mode : modes) {
        const bool full = std::find(mode.begin(), mode.end(), "--full-dump") != mode.end();
        const bool checks = !mode.empty() && mode.front() == "--check-seq";
        const std::string last_of_ten = checks ? "[I] 10 messages received so far"
                                        : full ? "[I] " + testing::full_text(tenth)
                                               : "[I] " + testing::header_text(tenth);
        for (const int signal : {SIGINT, SIGTERM}) {
            SCOPED_TRACE(::testing::PrintToString(mode) + " signal " + std::to_string(signal));
            testing::dump_session dump(mode);
            ASSERT_TRUE(dump.joined());
            dump.send(orders(1, 10));
            ASSERT_TRUE(eventually([&] {
                const auto log = dump.log_so_far();
                return !log.empty() && log.back() == last_of_ten;
            }));
            dump.process().signal(signal);
            const auto result = dump.finish();
            EXPECT_EQ(result.signal, signal);
            EXPECT_EQ(result.err, "");
            const auto summary =
                std::find(dump.log().begin(), dump.log().end(), "[I] 10 messages received");
            ASSERT_NE(summary, dump.log().end());
            EXPECT_EQ(dump.log().end() - summary, full ? 2 : 1);  // and the row of OrderAdd
        }
    }
}

// A latency text of a record ("12.3 us", "4.567 ms", "1.234 s") in nanoseconds.
double nanoseconds_of(const std::string& value, const std::string& unit) {
    const double scale = unit == "us" ? 1e3 : unit == "ms" ? 1e6 : 1e9;
    return std::stod(value) * scale;
}

// Records at the interval, through traffic and through silence, whose counts
// add up to what was sent; latency within what the clock allows.
TEST(StatsInterval, RecordsFollowTrafficAndSilence) {
    testing::dump_session dump({"--check-seq", "--stats-interval", "0.2"});
    ASSERT_TRUE(dump.joined());
    const std::uint64_t first_sent = now_ns();
    for (std::uint32_t datagram = 0; datagram < 5; ++datagram) {
        std::string four;
        for (std::uint32_t i = 1; i <= 4; ++i) {
            auto message = order_add(datagram * 4 + i);
            message.timestamp(now_ns());
            four += bytes_of(message);
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
    EXPECT_EQ(dump.finish().signal, SIGINT);
    // Sent on this host's clock, received on the same: no latency is below
    // 0 or above the time from the first send to now.
    const auto most_latency = static_cast<double>(now_ns() - first_sent);

    const std::regex figures(
        R"(\[I\] (Interval|Whole run) of [0-9.]+ s: ([0-9']+) messages \([0-9']+/s\), )"
        R"(([0-9']+) datagrams \([0-9']+/s\), ([0-9']+) bytes, 0 gaps, 0 messages lost, )"
        R"(0 socket drops, (no latency|latency p50 (\S+) (\S+) p99 \S+ \S+ max (\S+) (\S+)))");
    std::array<std::uint64_t, 3> sums{}, whole_run{};
    std::uint64_t intervals = 0;
    for (const std::string& line : dump.log()) {
        std::smatch f;
        if (!std::regex_match(line, f, figures)) {
            continue;
        }
        if (f[1] == "Interval") {
            ++intervals;
            for (std::size_t i = 0; i < 3; ++i) {
                sums[i] += number(f[2 + i]);
            }
            continue;
        }
        whole_run = {number(f[2]), number(f[3]), number(f[4])};
        EXPECT_LE(0, nanoseconds_of(f[6], f[7]));
        EXPECT_LE(nanoseconds_of(f[8], f[9]), most_latency);
    }
    const std::array<std::uint64_t, 3> sent{20, 5, 20 * 72};  // messages, datagrams, bytes
    EXPECT_EQ(whole_run, sent);
    EXPECT_EQ(sums, sent);
    EXPECT_GE(intervals, 4U);
}

}  // namespace
}  // namespace tarn
