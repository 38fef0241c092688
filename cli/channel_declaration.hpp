#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "processing/datagram_recorder.hpp"

namespace tarn {

// A channel of a feed as --add-channel declares it: NAME=GROUP:PORT, with a
// second ",GROUP:PORT" for its B line.
//
// A name is 1 to 64 letters, digits, '_', '.' or '-', so it can stand in a
// log prefix, a file name or a metric label as it is. A group is an IPv4
// multicast address in dotted decimal (224.0.0.0 to 239.255.255.255); a port
// is a decimal number from 1 to 65535.
struct channel_declaration {
    std::string name;
    std::vector<udp_destination> lines;  // line A, then line B if declared
    // Where it was declared, for errors: "--add-channel A=239.1.1.1:5000" or
    // "feed.txt line 3 (A=239.1.1.1:5000)".
    std::string origin;
};

// One declaration. Throws std::runtime_error whose text starts with the
// origin, "--add-channel TEXT" unless given, and says what is wrong.
channel_declaration parse_channel_declaration(std::string_view text,
                                              const std::string& origin = {});

// The declarations of a file, one a line; '#' starts a comment, and blank
// lines are skipped. Throws std::runtime_error when the file cannot be read,
// declares no channel, or a line is no declaration (naming the file and line).
std::vector<channel_declaration> read_channel_declarations(const std::string& path);

// Throws std::runtime_error naming the later declaration when two channels
// share a name or two lines share a destination.
void check_channel_set(const std::vector<channel_declaration>& channels);

// The channels of every --add-channel value in order: a declaration, or
// @FILE for those of a file; the whole set checked.
std::vector<channel_declaration> read_channels(const std::vector<std::string>& values);

}  // namespace tarn
