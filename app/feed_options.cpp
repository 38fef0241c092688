#include "app/feed_options.hpp"

#include <spdlog/common.h>

#include <stdexcept>
#include <string>

#include "app/reception_options.hpp"
#include "cli/strict_unsigned.hpp"

namespace tarn {

namespace po = boost::program_options;

void add_feed_options(po::options_description& options) {
    options.add_options()  //
        ("add-channel", po::value<std::vector<std::string>>()->composing()->value_name("CHANNEL"),
         "also watch this channel: NAME=GROUP:PORT, with ,GROUP:PORT for its B line, or @FILE "
         "for one such line each; may be repeated (*)")  //
        ("all-destinations",
         "with --read-capture, every UDP destination in the capture as a channel of its own (*)")  //
        ("arbitration-window", po::value<seconds_value>()->value_name("SECONDS"),
         "how long a message after a hole on one line waits for the other line to fill it; "
         "default 0.02 (*)");
}

namespace {

// The specified group and port as one more channel, named GROUP:PORT.
channel_declaration specified_pair(const po::variables_map& options) {
    const auto& group = options["multicast-group"].as<std::string>();
    const std::uint16_t port = options["port"].as<strict_unsigned<std::uint16_t>>().value;
    const std::string text = spdlog::fmt_lib::format("{}:{}", group, port);
    // Parsed as a declaration for its checks, then named by the pair itself.
    channel_declaration pair = parse_channel_declaration(
        "pair=" + text, "--multicast-group " + group + " --port " + std::to_string(port));
    pair.name = text;
    return pair;
}

}  // namespace

std::optional<feed_request> read_feed_request(const po::variables_map& options, bool capture) {
    const bool declared = options.count("add-channel") != 0;
    const bool all = options.count("all-destinations") != 0;
    if (!declared && !all) {
        if (options.count("arbitration-window") != 0) {
            throw std::runtime_error("--arbitration-window arbitrates the lines of --add-channel");
        }
        return std::nullopt;
    }
    feed_request request;
    request.all_destinations = all;
    if (options.count("arbitration-window") != 0) {
        request.arbitration_window = options["arbitration-window"].as<seconds_value>().value;
    }
    const bool group = options.count("multicast-group") != 0;
    const bool port = options.count("port") != 0;
    if (all) {
        if (!capture) {
            throw std::runtime_error(
                "--all-destinations takes every destination of a capture: it goes with "
                "--read-capture");
        }
        if (declared || group || port) {
            throw std::runtime_error(
                "--all-destinations takes every destination: it does not go with --add-channel, "
                "--multicast-group or --port");
        }
        return request;
    }
    if (group != port) {
        throw std::runtime_error(
            "with --add-channel, --multicast-group and --port make one more channel together");
    }
    if (group) {
        request.channels.push_back(specified_pair(options));
    }
    for (channel_declaration& each :
         read_channels(options["add-channel"].as<std::vector<std::string>>())) {
        request.channels.push_back(std::move(each));
    }
    check_channel_set(request.channels);
    return request;
}

}  // namespace tarn
