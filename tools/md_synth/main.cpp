// md_synth: writes a synthetic market-data session as a pcap capture.

#include <spdlog/common.h>
#include <spdlog/fmt/chrono.h>

#include <boost/program_options.hpp>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <span>
#include <string>

#include "capture/capture_writer.hpp"
#include "capture/udp_frame.hpp"
#include "cli/strict_unsigned.hpp"
#include "cli/tool_program.hpp"
#include "session_script.hpp"

namespace {

namespace po = boost::program_options;
using tarn::strict_unsigned;

constexpr std::size_t smallest_datagram = 64;
constexpr std::uint64_t most_messages = 100'000'000;

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
         "fault: messages shorter than their type's layout");
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

    tarn::capture::capture_writer writer(output);
    std::uint16_t ip_id = 0;
    tarn::synth::feed_counts counts;
    try {
        counts = tarn::synth::generate_session(settings, [&](const tarn::synth::datagram& d) {
            const std::span<const std::uint8_t> payload(
                reinterpret_cast<const std::uint8_t*>(d.payload.data()), d.payload.size());
            writer.write(d.time_ns, tarn::capture::udp_frame(route, ++ip_id, payload));
        });
        writer.finish();
    } catch (...) {
        if (output != "-") {
            std::filesystem::remove(output);  // no half-written capture is left behind
        }
        throw;
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
