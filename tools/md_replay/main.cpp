// md_replay: sends the UDP payloads of a capture to a multicast group.

#include <spdlog/common.h>

#include <boost/program_options.hpp>

#include <cmath>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "capture/capture_reader.hpp"
#include "cli/local_address.hpp"
#include "cli/strict_unsigned.hpp"
#include "cli/tool_program.hpp"
#include "multicast_sender.hpp"
#include "replay.hpp"

namespace {

namespace po = boost::program_options;
using tarn::strict_unsigned;

po::options_description option_description() {
    po::options_description options(
        "md_replay: sends the UDP payloads of a capture (pcap or pcapng) to a multicast group,\n"
        "in capture order, paced by the capture's timing unless told otherwise.\n\nOptions");
    options.add_options()                                                             //
        ("help", "print this help")                                                   //
        ("version", "print version number")                                           //
        ("capture", po::value<std::string>(), "the capture file to replay")           //
        ("multicast-group", po::value<std::string>(), "the group to send to")         //
        ("port", po::value<strict_unsigned<std::uint16_t>>(), "the port to send to")  //
        ("keep-destinations",
         "send each datagram to the group and port the capture shows, instead of\n"
         "--multicast-group and --port: a feed of several groups replayed as captured")           //
        ("local-ip", po::value<std::string>(), "local address of the interface to send through")  //
        ("interface", po::value<std::string>(), "interface to send through, by name")             //
        ("ttl", po::value<strict_unsigned<std::uint8_t>>(),
         "multicast time to live, 0 to 255 (default 1: the local network only)")  //
        ("speed", po::value<double>(),
         "the capture's timing sped up by this factor (default 1: as captured)")      //
        ("rate", po::value<double>(), "a fixed rate instead, in datagrams a second")  //
        ("fast", "as fast as possible instead")                                       //
        ("only-group", po::value<std::string>(),
         "send only datagrams the capture shows going to this group")  //
        ("only-port", po::value<strict_unsigned<std::uint16_t>>(),
         "send only datagrams the capture shows going to this port");
    return options;
}

tarn::replay::pacing pacing_from(const po::variables_map& options) {
    const auto given = options.count("speed") + options.count("rate") + options.count("fast");
    if (given > 1) {
        throw std::invalid_argument("Give at most one of --speed, --rate and --fast");
    }
    tarn::replay::pacing pace;
    auto positive = [&](const char* name) {
        const double value = options[name].as<double>();
        if (!std::isfinite(value) || value <= 0) {
            throw std::invalid_argument(spdlog::fmt_lib::format("--{} must be above 0", name));
        }
        return value;
    };
    if (options.count("speed") != 0) {
        pace.speed = positive("speed");
    } else if (options.count("rate") != 0) {
        pace.how = tarn::replay::pacing::mode::rate;
        pace.rate = positive("rate");
    } else if (options.count("fast") != 0) {
        pace.how = tarn::replay::pacing::mode::fast;
    }
    return pace;
}

int run(const po::variables_map& options) {
    const auto capture = tarn::required<std::string>(options, "capture");
    const bool keep_destinations = options.count("keep-destinations") != 0;
    if (keep_destinations &&
        (options.count("multicast-group") != 0 || options.count("port") != 0)) {
        throw std::invalid_argument(
            "Give either --keep-destinations or --multicast-group and --port");
    }
    const auto group =
        keep_destinations ? std::string() : tarn::required<std::string>(options, "multicast-group");
    const std::uint16_t port =
        keep_destinations ? 0
                          : tarn::required<strict_unsigned<std::uint16_t>>(options, "port").value;
    const std::string local_ip = tarn::local_address(options);
    const std::uint8_t ttl =
        options.count("ttl") != 0 ? options["ttl"].as<strict_unsigned<std::uint8_t>>().value : 1;
    const tarn::replay::pacing pace = pacing_from(options);
    tarn::capture::destination_selection selection;
    if (options.count("only-group") != 0) {
        selection.group = tarn::capture::parse_ipv4(options["only-group"].as<std::string>());
    }
    if (options.count("only-port") != 0) {
        selection.port = options["only-port"].as<strict_unsigned<std::uint16_t>>().value;
    }

    tarn::capture::capture_reader reader(capture);
    tarn::replay::multicast_sender sender =
        keep_destinations ? tarn::replay::multicast_sender(local_ip, ttl)
                          : tarn::replay::multicast_sender(local_ip, group, port, ttl);
    tarn::replay::replay_counts counts;
    try {
        tarn::replay::replay_capture(
            reader, selection, pace,
            [&](std::span<const std::uint8_t> payload, const tarn::udp_destination& captured) {
                if (keep_destinations) {
                    sender.send_to(payload, captured.address, captured.port);
                } else {
                    sender.send(payload);
                }
            },
            counts);
    } catch (...) {
        std::cout << "md_replay: " << counts.text() << std::endl;
        throw;
    }
    std::cout << "md_replay: " << counts.text() << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return tarn::run_tool("md_replay", argc, argv, option_description(), run);
}
