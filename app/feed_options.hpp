#pragma once

#include <boost/program_options.hpp>

#include <chrono>
#include <optional>
#include <vector>

#include "cli/channel_declaration.hpp"

namespace tarn {

// What the options of a whole feed ask for: channels declared with
// --add-channel (and the specified group and port, when given, as one more),
// or every destination of a capture.
struct feed_request {
    std::vector<channel_declaration> channels;
    bool all_destinations = false;
    std::chrono::nanoseconds arbitration_window{0};  // 0: the default
};

// --add-channel, --all-destinations and --arbitration-window, for the group
// of further options.
void add_feed_options(boost::program_options::options_description& options);

// Nothing when none of them is given: the run is today's one-line run. With
// `capture` the channels are destinations in a capture. Throws
// std::runtime_error for bad declarations, naming them, and for options that
// do not go together.
std::optional<feed_request> read_feed_request(const boost::program_options::variables_map& options,
                                              bool capture);

}  // namespace tarn
