// md_loss_sender: one step of the loss benchmark. Waits until a receiver has
// joined the group on the loopback interface, sends a realistic session at a
// fixed datagram rate, bounded in count and in time, and ends it with an
// EndOfTechnicalSession status, repeated until the receiver has left the
// group (or for at most a few seconds). Prints what it sent on one line.
//
// With --stop-receiver PID it measures draining instead of pacing: before
// each burst of --burst datagrams, sent as fast as it can, it stops the
// receiver (SIGSTOP), so they queue up behind it (what its buffer cannot hold
// is dropped), then lets it go on (SIGCONT) and waits until it has taken
// them all. The receiver's CPU time is then that of draining full queues.
//
// With --channels C (and --b-line) it sends a feed: each datagram of the
// session to every line of C channels in turn, channel c on line A to group
// + 2c and on line B to group + 2c + 1, at port + c, as md_synth lays out a
// feed. Every copy counts as a datagram of the rate and of the count.
//
// Loopback only: the socket sends through 127.0.0.1 with a hop limit of 0,
// meant for a private network namespace (tests/netns-run).

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/multicast.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/program_options.hpp>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/loss/group_membership.hpp"
#include "bench/session.hpp"
#include "md/header.hpp"

namespace {

namespace po = boost::program_options;
namespace ip = boost::asio::ip;
using clock_type = std::chrono::steady_clock;

struct step_settings {
    std::string group;
    std::uint16_t port = 0;
    tarn::bench::datagram_shape shape = tarn::bench::datagram_shape::packed;
    double rate = 0;               // datagrams per second
    std::uint64_t datagrams = 0;   // at most this many
    double seconds = 1;            // and for at most this long
    double wait_for_receiver = 5;  // seconds
    int stop_receiver = 0;         // a process id: the drain mode
    std::uint64_t burst = 300;
    unsigned channels = 0;  // 0: the one group and port, not a feed
    bool b_line = false;
};

// Where the datagrams go: the one destination, or every line of the feed.
std::vector<ip::udp::endpoint> destinations_of(const step_settings& settings) {
    const ip::address_v4 group = ip::make_address_v4(settings.group);
    if (settings.channels == 0) {
        return {{group, settings.port}};
    }
    std::vector<ip::udp::endpoint> lines;
    const unsigned per_channel = settings.b_line ? 2 : 1;
    for (unsigned c = 0; c < settings.channels; ++c) {
        for (unsigned line = 0; line < per_channel; ++line) {
            lines.emplace_back(ip::address_v4(group.to_uint() + 2 * c + line),
                               static_cast<std::uint16_t>(settings.port + c));
        }
    }
    return lines;
}

step_settings read_settings(int argc, char** argv) {
    step_settings settings;
    po::options_description description("md_loss_sender options");
    description.add_options()("help", "this text")("group", po::value(&settings.group)->required(),
                                                   "multicast group")(
        "port", po::value(&settings.port)->required(), "port")(
        "shape", po::value<std::string>()->default_value("packed"),
        "packed (messages up to 1400 bytes per datagram) or single (one per datagram)")(
        "rate", po::value(&settings.rate)->required(), "datagrams per second")(
        "datagrams", po::value(&settings.datagrams)->required(), "datagrams to send, at most")(
        "seconds", po::value(&settings.seconds)->default_value(1), "seconds of sending, at most")(
        "wait", po::value(&settings.wait_for_receiver)->default_value(5),
        "seconds to wait for a receiver to join")(
        "stop-receiver", po::value(&settings.stop_receiver),
        "process id of the receiver, stopped during each burst")(
        "burst", po::value(&settings.burst)->default_value(300), "datagrams per burst")(
        "channels", po::value(&settings.channels), "a feed of this many channels, 1 to 64")(
        "b-line", po::bool_switch(&settings.b_line), "every channel on a B line too");
    po::variables_map options;
    po::store(po::parse_command_line(argc, argv, description), options);
    if (options.count("help") != 0) {
        std::cout << description << '\n';
        std::exit(0);  // NOLINT(concurrency-mt-unsafe): one thread
    }
    po::notify(options);
    const auto shape = options["shape"].as<std::string>();
    if (shape != "packed" && shape != "single") {
        throw std::invalid_argument("--shape is packed or single");
    }
    settings.shape = shape == "packed" ? tarn::bench::datagram_shape::packed
                                       : tarn::bench::datagram_shape::single;
    if (settings.channels > 64 || (settings.b_line && settings.channels == 0)) {
        throw std::invalid_argument("--channels is 1 to 64; --b-line needs it");
    }
    if (settings.rate <= 0 || settings.seconds <= 0 || settings.seconds > 60) {
        throw std::invalid_argument("--rate must be positive, --seconds in (0, 60]");
    }
    return settings;
}

// The session's datagrams, sent round and round with the sequence numbers
// running on.
class datagram_feed {
  public:
    explicit datagram_feed(tarn::bench::datagram_shape shape)
        : session_(pool_messages, shape), buffer_(tarn::bench::packed_datagram_size) {}

    // The next datagram, its numbered messages given the next sequence numbers.
    std::string_view next() {
        const std::string_view datagram = session_.datagram(next_);
        next_ = next_ + 1 == session_.datagram_count() ? 0 : next_ + 1;
        buffer_.assign(datagram.begin(), datagram.end());
        for (std::size_t at = 0; at < buffer_.size();) {
            const tarn::md::byte_view message(buffer_.data() + at, buffer_.size() - at);
            const auto length = message.load<std::uint16_t>(tarn::md::length_offset);
            ++messages_;
            if (message.load<tarn::md::MsgType>(tarn::md::msg_type_offset) !=
                tarn::md::MsgType::Heartbeat) {
                ++numbered_;
                const auto seq_num = static_cast<std::uint32_t>(numbered_);
                std::memcpy(buffer_.data() + at + tarn::md::seq_num_offset, &seq_num,
                            sizeof seq_num);
            }
            at += length;
        }
        return {buffer_.data(), buffer_.size()};
    }

    std::uint64_t messages() const { return messages_; }
    std::uint64_t numbered() const { return numbered_; }

  private:
    static constexpr std::size_t pool_messages = 50'000;
    tarn::bench::session session_;
    std::vector<char> buffer_;
    std::size_t next_ = 0;
    std::uint64_t messages_ = 0;
    std::uint64_t numbered_ = 0;
};

// Waits for `deadline`: sleeps while it is far, spins when it is near, so
// datagrams leave evenly spaced rather than in bursts.
void wait_until(clock_type::time_point deadline) {
    constexpr auto spin_below = std::chrono::microseconds(200);
    if (deadline - clock_type::now() > spin_below) {
        std::this_thread::sleep_until(deadline - spin_below);
    }
    while (clock_type::now() < deadline) {
    }
}

// Waits until process `pid` is stopped, as /proc/PID/stat shows its state.
void wait_until_stopped(int pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    for (;;) {
        std::ifstream stat(path);
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t name_end = text.rfind(')');
        if (name_end == std::string::npos || name_end + 2 >= text.size()) {
            throw std::runtime_error("no process " + std::to_string(pid));
        }
        if (text[name_end + 2] == 'T') {
            return;
        }
        std::this_thread::yield();
    }
}

void wait_for_member(const std::string& group, double seconds) {
    const auto deadline = clock_type::now() + std::chrono::duration<double>(seconds);
    while (!tarn::bench::loopback_has_member(group)) {
        if (clock_type::now() > deadline) {
            throw std::runtime_error("no receiver joined " + group + " on lo");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const step_settings settings = read_settings(argc, argv);
        datagram_feed feed(settings.shape);

        boost::asio::io_context io_context;
        const std::vector<ip::udp::endpoint> lines = destinations_of(settings);
        const ip::udp::endpoint& target = lines.front();
        ip::udp::socket socket(io_context, ip::udp::v4());
        socket.set_option(ip::multicast::outbound_interface(ip::make_address_v4("127.0.0.1")));
        socket.set_option(ip::multicast::hops(0));
        socket.set_option(ip::multicast::enable_loopback(true));

        for (const ip::udp::endpoint& line : lines) {
            wait_for_member(line.address().to_string(), settings.wait_for_receiver);
        }

        if (settings.stop_receiver != 0 && lines.size() != 1) {
            throw std::invalid_argument("--stop-receiver takes one group, not a feed");
        }
        if (settings.stop_receiver != 0) {
            const auto start = clock_type::now();
            std::uint64_t sent = 0;
            while (sent < settings.datagrams) {
                kill(settings.stop_receiver, SIGSTOP);
                wait_until_stopped(settings.stop_receiver);
                for (std::uint64_t i = 0; i < settings.burst && sent < settings.datagrams; ++i) {
                    socket.send_to(boost::asio::buffer(feed.next()), target);
                    ++sent;
                }
                kill(settings.stop_receiver, SIGCONT);
                while (tarn::bench::socket_has_queued(settings.group, settings.port)) {
                    std::this_thread::yield();
                }
            }
            const auto end =
                tarn::bench::end_of_session(static_cast<std::uint32_t>(feed.numbered() + 1));
            const auto give_up = clock_type::now() + std::chrono::seconds(5);
            while (tarn::bench::loopback_has_member(settings.group) &&
                   clock_type::now() < give_up) {
                socket.send_to(boost::asio::buffer(end.view()), target);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();
            std::cout << "datagrams=" << sent << " messages=" << feed.messages()
                      << " numbered=" << feed.numbered() << " seconds=" << elapsed << " rate=0\n";
            return 0;
        }

        const auto interval = std::chrono::duration_cast<clock_type::duration>(
            std::chrono::duration<double>(1.0 / settings.rate));
        const auto start = clock_type::now();
        const auto stop = start + std::chrono::duration_cast<clock_type::duration>(
                                      std::chrono::duration<double>(settings.seconds));
        // After a stall of the sender, its schedule moves on rather than
        // catching up in a burst that no receive buffer would hold: datagrams
        // stay evenly spaced, and the rate reported is the rate achieved.
        const auto most_late =
            std::max(interval * 4, clock_type::duration(std::chrono::microseconds(50)));
        auto due = start;
        std::uint64_t sent = 0;
        // A feed's datagram goes to every line before the count or the
        // time may end the session: each channel takes the same numbers.
        std::string_view datagram;
        for (;; ++sent) {
            const std::size_t line = sent % lines.size();
            if (line == 0) {
                if (sent >= settings.datagrams || due > stop) {
                    break;
                }
                datagram = feed.next();
            }
            wait_until(due);
            socket.send_to(boost::asio::buffer(datagram), lines[line]);
            due = std::max(due + interval, clock_type::now() - most_late);
        }
        const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();

        // The end of the session, repeated while the receiver is still there:
        // one copy may be dropped behind a full receive buffer.
        const auto end =
            tarn::bench::end_of_session(static_cast<std::uint32_t>(feed.numbered() + 1));
        const auto give_up = clock_type::now() + std::chrono::seconds(5);
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (const ip::udp::endpoint& line : lines) {
                socket.send_to(boost::asio::buffer(end.view()), line);
            }
        } while (tarn::bench::loopback_has_member(settings.group) && clock_type::now() < give_up);

        std::cout << "datagrams=" << sent << " messages=" << feed.messages()
                  << " numbered=" << feed.numbered() << " seconds=" << elapsed
                  << " rate=" << (elapsed > 0 ? static_cast<double>(sent) / elapsed : 0.0) << '\n';
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "md_loss_sender: " << error.what() << '\n';
        return 1;
    }
}
