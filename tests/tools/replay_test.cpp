// md_replay over multicast in the private namespace: what arrives, in which
// order, how fast (reported, not asserted), and the errors of bad captures.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/capture_writer.hpp"
#include "capture/udp_frame.hpp"
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

// `count` datagrams to the group, `interval_ns` apart, with frames the
// replay must skip between them: an ARP frame, and datagrams to another
// group and to another port.
std::string write_capture(const std::string& name, std::size_t count, std::uint64_t interval_ns) {
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
    for (std::size_t i = 0; i < count; ++i, time += interval_ns) {
        writer.write(time, frame(group, port, payload_of(i)));
        if (i % 10 == 3) {
            writer.write(time, frame("239.255.7.2", port, payload_of(i)));
            writer.write(time, frame(group, port + 1, payload_of(i)));
            std::vector<std::uint8_t> arp(60, 0xFF);
            arp[12] = 0x08;
            arp[13] = 0x06;
            writer.write(time, arp);
        }
    }
    writer.finish();
    return path;
}

struct replay_run {
    testing::process_result result;
    std::vector<std::string> received;
    double seconds = 0;  // from the first to the last datagram received
};

// Runs md_replay with `options` and receives until `expected` datagrams came
// or none came for `quiet`.
replay_run replay(const std::string& capture, const std::vector<std::string>& options,
                  std::size_t expected,
                  std::chrono::milliseconds quiet = std::chrono::milliseconds(2000)) {
    testing::multicast_socket member(group, port, testing::multicast_socket::role::member);
    std::vector<std::string> argv{MD_REPLAY_BINARY,     "--capture",  capture,
                                  "--multicast-group",  group,        "--port",
                                  std::to_string(port), "--local-ip", "127.0.0.1"};
    argv.insert(argv.end(), options.begin(), options.end());
    testing::background_process sender(argv);
    replay_run run;
    std::chrono::steady_clock::time_point first;
    while (run.received.size() < expected) {
        auto datagram = member.receive(quiet);
        if (!datagram) {
            break;
        }
        if (run.received.empty()) {
            first = std::chrono::steady_clock::now();
        }
        run.received.push_back(std::move(*datagram));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - first).count();
    run.result = sender.wait(std::chrono::seconds(30));
    return run;
}

// At a fixed rate, at the capture's own timing sped up, and as fast as
// possible: every payload of the chosen destination arrives, in order.
TEST(Replay, EveryPacingDeliversThePayloadsOfTheChosenDestinationInOrder) {
    const std::string only_port = std::to_string(port);
    const std::string rated = write_capture("rate.pcap", 300, 1'000'000);
    // 100 datagrams 10 ms apart: a second of capture, a quarter at speed 4.
    const std::string timed = write_capture("timed.pcap", 100, 10'000'000);
    const struct {
        std::string capture;
        std::vector<std::string> options;
        std::size_t count;
        const char* planned;
    } runs[] = {
        {rated, {"--rate", "500", "--only-group", group, "--only-port", only_port}, 300, "0.598"},
        {timed, {"--speed", "4", "--only-group", group, "--only-port", only_port}, 100, "0.248"},
        {timed, {"--fast", "--only-port", only_port}, 100, "no"},
    };
    for (const auto& r : runs) {
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < r.count; ++i) {
            expected.push_back(payload_of(i));
            if (r.options[0] == "--fast" && i % 10 == 3) {
                expected.push_back(payload_of(i));  // to the other group, on the same port
            }
        }
        const replay_run run = replay(r.capture, r.options, expected.size());
        EXPECT_EQ(run.result.status, 0) << run.result.err;
        EXPECT_EQ(run.received, expected);
        // Reported, not asserted: a busy machine may be slower.
        std::printf("[ timing ] %zu datagrams %s arrived in %.3f s (%s s planned)\n",
                    expected.size(), r.options[0].c_str(), run.seconds, r.planned);
        if (r.count == 300) {
            for (const char* report : {"sent 300 datagrams",
                                       "skipped 90 frames: 30 not UDP over IPv4, 0 IP fragments, "
                                       "0 cut short by the capture, 60 to other destinations"}) {
                EXPECT_NE(run.result.out.find(report), std::string::npos) << run.result.out;
            }
        }
    }
    std::filesystem::remove(rated);
    std::filesystem::remove(timed);
}

// A missing file and a text send nothing; a capture whose last record lost
// its end sends the ones before it, then ends with the error.
TEST(Replay, BadCapturesEndWithTheirNameAndWhatWasSent) {
    const std::string missing = testing::temporary_file("missing.pcap"),
                      text = testing::temporary_file("text.pcap"),
                      whole = write_capture("whole.pcap", 3, 1000),
                      cut = testing::temporary_file("cut.pcap");
    std::ofstream(text) << "not a capture but long enough to be taken for a header\n";
    std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(whole) - 10);
    const struct {
        std::string capture, error;
        std::size_t sent;
    } cases[] = {{missing, "cannot read capture " + missing, 0},
                 {text, "cannot read capture " + text, 0},
                 {cut, "capture " + cut + " is damaged", 2}};
    for (const auto& c : cases) {
        const replay_run run = replay(c.capture, {"--fast"}, 3, std::chrono::milliseconds(300));
        EXPECT_EQ(run.result.status, 1);
        EXPECT_NE(run.result.err.find(c.error), std::string::npos) << run.result.err;
        EXPECT_EQ(run.received.size(), c.sent);
        if (c.sent != 0) {
            EXPECT_NE(run.result.out.find("sent 2 datagrams"), std::string::npos) << run.result.out;
        }
    }
    for (const std::string& path : {text, whole, cut}) {
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace tarn
