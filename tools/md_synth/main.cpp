// md_synth: writes a synthetic market-data session as a pcap capture.

#include <spdlog/common.h>
#include <spdlog/fmt/chrono.h>

#include <boost/program_options.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "capture/capture_writer.hpp"
#include "capture/udp_frame.hpp"
#include "cli/strict_unsigned.hpp"
#include "cli/tool_program.hpp"
#include "feed_lines.hpp"
#include "session_script.hpp"

namespace {

namespace po = boost::program_options;
using tarn::strict_unsigned;

constexpr std::size_t smallest_datagram = 64;
constexpr std::uint64_t most_messages = 100'000'000;
constexpr unsigned most_channels = 64;

po::options_description option_description() {
    po::options_description options(
        "md_synth: writes a synthetic market-data session, the same for the same options,\n"
        "as a pcap capture of UDP datagrams to a multicast group.\n\nOptions");
    options.add_options()                                                                         //
        ("help", "print this help")                                                               //
        ("version", "print version number")                                                       //
        ("output", po::value<std::string>(), "the capture file to write, - for standard output")  //
        ("messages", po::value<strict_unsigned<std::uint64_t>>(),
         "sequenced messages in the session, heartbeats and resends not counted (default 2000)")  //
        ("seed", po::value<strict_unsigned<std::uint64_t>>(),
         "seed of every random choice (default 1)")  //
        ("datagram-size", po::value<strict_unsigned<std::size_t>>(),
         "most bytes of messages in one datagram, 64 to 1472 (default 1400)")  //
        ("multicast-group", po::value<std::string>()->default_value("239.255.0.1"),
         "destination group of the datagrams")  //
        ("port", po::value<strict_unsigned<std::uint16_t>>(),
         "destination port (default 31000)")                                                     //
        ("source-ip", po::value<std::string>()->default_value("192.0.2.1"), "sender's address")  //
        ("source-port", po::value<strict_unsigned<std::uint16_t>>(),
         "sender's port (default 31000)")  //
        ("date", po::value<std::string>()->default_value("2026-03-02"),
         "the session's trading day, YYYY-MM-DD")  //
        ("gaps", po::value<strict_unsigned<std::uint32_t>>(),
         "fault: runs of one to three sequence numbers never sent")  //
        ("resends", po::value<strict_unsigned<std::uint32_t>>(),
         "fault: recent messages sent a second time")  //
        ("unknown-types", po::value<strict_unsigned<std::uint32_t>>(),
         "fault: messages of a type outside the catalogue")  //
        ("short-messages", po::value<strict_unsigned<std::uint32_t>>(),
         "fault: messages shorter than their type's layout")  //
        ("channels", po::value<strict_unsigned<unsigned>>(),
         "feed: this many channels, 1 to 64 (default 1); channel c is the session of\n"
         "seed + c, on line A to group + 2c, port + c")                                  //
        ("b-line", "feed: every channel also on a B line, to group + 2c + 1, port + c")  //
        ("loss-a", po::value<double>(),
         "feed: each datagram lost on line A with this probability, 0 to 1 (default 0)")  //
        ("loss-b", po::value<double>(), "feed: the same on line B, drawn independently")  //
        ("delay-a", po::value<strict_unsigned<std::uint64_t>>(),
         "feed: line A's datagrams later by a jitter of this mean in microseconds,\n"
         "uniform from 0 to twice it, at most 1000000 (default 0)")  //
        ("delay-b", po::value<strict_unsigned<std::uint64_t>>(), "feed: the same on line B");
    return options;
}

template <class T>
T number_or(const po::variables_map& options, const char* name, T otherwise) {
    return options.count(name) != 0 ? options[name].as<strict_unsigned<T>>().value : otherwise;
}

std::string utc(std::uint64_t time_ns) {
    const std::chrono::sys_seconds time{std::chrono::seconds(time_ns / 1'000'000'000)};
    return spdlog::fmt_lib::format("{:%F %T}.{:06}", time, time_ns % 1'000'000'000 / 1000);
}

// The report of what was written.
std::string report(const std::string& output, const tarn::synth::session_settings& settings,
                   const tarn::synth::feed_counts& counts, const std::string& destination) {
    std::string text = spdlog::fmt_lib::format(
        "md_synth: wrote {}\n"
        "  {} messages (seqNum 1 to {}), {} heartbeats, seed {}\n"
        "  {} datagrams of at most {} bytes to {}, {} messages split across datagrams\n"
        "  {} to {} UTC\n",
        output, counts.messages, counts.last_seq_num, counts.heartbeats, settings.seed,
        counts.datagrams, settings.datagram_size, destination, counts.split_messages,
        utc(counts.first_time_ns), utc(counts.last_time_ns));
    const tarn::synth::anomalies& faults = settings.faults;
    if (faults.total() != 0) {
        text += spdlog::fmt_lib::format(
            "  faults: gaps {} ({} sequence numbers skipped), resends {}, unknown types {}, "
            "short messages {}\n",
            faults.gaps, counts.skipped, faults.resends, faults.unknown_types,
            faults.short_messages);
    }
    return text;
}

std::string address(const tarn::capture::udp_route& route) {
    const auto& group = route.destination;
    return spdlog::fmt_lib::format("{}.{}.{}.{}:{}", group[0], group[1], group[2], group[3],
                                   route.destination_port);
}

// The report of a feed: a line per channel and line, with what each line lost.
std::string feed_report(const std::string& output, const tarn::synth::session_settings& settings,
                        const tarn::synth::feed_layout& layout,
                        const tarn::capture::udp_route& base,
                        const std::vector<tarn::synth::channel_counts>& channels) {
    std::string text = spdlog::fmt_lib::format(
        "md_synth: wrote {}\n  {} channels on line A{}, seeds {} to {}, datagrams of at most {} "
        "bytes\n",
        output, layout.channels, layout.b_line ? " and line B" : "", settings.seed,
        settings.seed + layout.channels - 1, settings.datagram_size);
    for (unsigned c = 0; c < layout.channels; ++c) {
        const tarn::synth::channel_counts& channel = channels[c];
        text += spdlog::fmt_lib::format(
            "  channel {}: {} messages (seqNum 1 to {}), {} datagrams\n", c,
            channel.session.messages, channel.session.last_seq_num, channel.session.datagrams);
        for (unsigned l = 0; l < (layout.b_line ? 2U : 1U); ++l) {
            const auto which = static_cast<tarn::synth::line>(l);
            text += spdlog::fmt_lib::format(
                "    line {} to {}: {} datagrams, {} lost\n", l == 0 ? 'A' : 'B',
                address(tarn::synth::line_route(base, c, which)), channel.lines.at(l).datagrams,
                channel.lines.at(l).lost);
        }
    }
    return text;
}

double probability(const po::variables_map& options, const char* name) {
    if (options.count(name) == 0) {
        return 0.0;
    }
    const double value = options[name].as<double>();
    if (!(value >= 0.0 && value <= 1.0)) {
        throw std::invalid_argument(spdlog::fmt_lib::format("--{} must be from 0 to 1", name));
    }
    return value;
}

std::uint64_t delay_ns(const po::variables_map& options, const char* name) {
    constexpr std::uint64_t most_delay_us = 1'000'000;
    const auto delay_us = number_or<std::uint64_t>(options, name, 0);
    if (delay_us > most_delay_us) {
        throw std::invalid_argument(
            spdlog::fmt_lib::format("--{} must be at most {}", name, most_delay_us));
    }
    return delay_us * 1000;
}

// The feed asked for, or none when no feed option is given: then the
// capture is today's single session.
std::optional<tarn::synth::feed_layout> feed_layout_from(const po::variables_map& options,
                                                         const tarn::capture::udp_route& base) {
    constexpr std::array<const char*, 6> feed_options{"channels", "b-line",  "loss-a",
                                                      "loss-b",   "delay-a", "delay-b"};
    if (std::none_of(feed_options.begin(), feed_options.end(),
                     [&](const char* name) { return options.count(name) != 0; })) {
        return std::nullopt;
    }
    tarn::synth::feed_layout layout;
    layout.channels = number_or<unsigned>(options, "channels", 1);
    layout.b_line = options.count("b-line") != 0;
    if (layout.channels < 1 || layout.channels > most_channels) {
        throw std::invalid_argument(
            spdlog::fmt_lib::format("--channels must be from 1 to {}", most_channels));
    }
    if (!layout.b_line && (options.count("loss-b") != 0 || options.count("delay-b") != 0)) {
        throw std::invalid_argument("--loss-b and --delay-b need --b-line");
    }
    layout.faults = {{{probability(options, "loss-a"), delay_ns(options, "delay-a")},
                      {probability(options, "loss-b"), delay_ns(options, "delay-b")}}};
    // The last line's group must still be a group, and its port a port.
    const unsigned last = layout.channels - 1;
    const auto top = tarn::synth::line_route(base, last, tarn::synth::line::b);
    if (!tarn::capture::is_multicast(top.destination) || base.destination_port + last > 65535) {
        throw std::invalid_argument(spdlog::fmt_lib::format(
            "{} channels do not fit above --multicast-group and --port", layout.channels));
    }
    return layout;
}

int run(const po::variables_map& options) {
    const auto output = tarn::required<std::string>(options, "output");

    tarn::synth::session_settings settings;
    settings.seed = number_or<std::uint64_t>(options, "seed", 1);
    settings.messages = number_or<std::uint64_t>(options, "messages", 2000);
    settings.datagram_size = number_or<std::size_t>(options, "datagram-size", 1400);
    settings.date = tarn::synth::session_date::parse(options["date"].as<std::string>());
    settings.faults = {number_or<std::uint32_t>(options, "gaps", 0),
                       number_or<std::uint32_t>(options, "resends", 0),
                       number_or<std::uint32_t>(options, "unknown-types", 0),
                       number_or<std::uint32_t>(options, "short-messages", 0)};
    if (settings.datagram_size < smallest_datagram ||
        settings.datagram_size > tarn::capture::max_udp_payload) {
        throw std::invalid_argument(spdlog::fmt_lib::format("--datagram-size must be from {} to {}",
                                                            smallest_datagram,
                                                            tarn::capture::max_udp_payload));
    }
    if (settings.messages > most_messages) {
        throw std::invalid_argument(
            spdlog::fmt_lib::format("--messages must be at most {}", most_messages));
    }

    tarn::capture::udp_route route{};
    route.source = tarn::capture::parse_ipv4(options["source-ip"].as<std::string>());
    route.destination = tarn::capture::parse_ipv4(options["multicast-group"].as<std::string>());
    if (!tarn::capture::is_multicast(route.destination)) {
        throw std::invalid_argument("--multicast-group must be a multicast address (224.0.0.0/4)");
    }
    route.source_port = number_or<std::uint16_t>(options, "source-port", 31000);
    route.destination_port = number_or<std::uint16_t>(options, "port", 31000);
    // A locally administered address that shows the sender's IP.
    route.source_mac = {0x02,           0x00, route.source[0], route.source[1], route.source[2],
                        route.source[3]};
    route.ttl = 32;

    const std::optional<tarn::synth::feed_layout> layout = feed_layout_from(options, route);

    tarn::capture::capture_writer writer(output);
    std::uint16_t ip_id = 0;
    tarn::synth::feed_counts counts;
    std::vector<tarn::synth::channel_counts> channels;
    try {
        if (layout) {
            channels = tarn::synth::write_feed(settings, *layout, route, writer);
        } else {
            counts = tarn::synth::generate_session(settings, [&](const tarn::synth::datagram& d) {
                const std::span<const std::uint8_t> payload(
                    reinterpret_cast<const std::uint8_t*>(d.payload.data()), d.payload.size());
                writer.write(d.time_ns, tarn::capture::udp_frame(route, ++ip_id, payload));
            });
        }
        writer.finish();
    } catch (...) {
        if (output != "-") {
            std::filesystem::remove(output);  // no half-written capture is left behind
        }
        throw;
    }
    if (layout) {
        (output == "-" ? std::cerr : std::cout)
            << feed_report(output, settings, *layout, route, channels);
        return 0;
    }
    (output == "-" ? std::cerr : std::cout)
        << report(output, settings, counts,
                  options["multicast-group"].as<std::string>() + ":" +
                      std::to_string(route.destination_port));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return tarn::run_tool("md_synth", argc, argv, option_description(), run);
}
