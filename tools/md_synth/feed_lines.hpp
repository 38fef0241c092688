#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "capture/capture_writer.hpp"
#include "capture/udp_frame.hpp"
#include "session_script.hpp"

namespace tarn::synth {

// What one line does to the datagrams it carries: drops each with
// probability `loss`, and delays the others by a jitter drawn uniformly from
// 0 to twice `delay_ns`, never so much that the line reorders its datagrams.
struct line_faults {
    double loss = 0.0;
    std::uint64_t delay_ns = 0;
};

enum class line : std::uint8_t { a = 0, b = 1 };

// A feed: `channels` sessions, each on line A and, with `b_line`, on line B.
struct feed_layout {
    unsigned channels = 1;
    bool b_line = false;
    std::array<line_faults, 2> faults{};  // by line
};

// Where channel `channel`'s line goes: from the base route (channel 0's
// line A), the group's address goes up by 2 × channel, plus 1 on line B; the
// port goes up by the channel.
capture::udp_route line_route(const capture::udp_route& base, unsigned channel, line which);

// What each line of each channel carried.
struct line_counts {
    std::uint64_t datagrams = 0;
    std::uint64_t lost = 0;
};

struct channel_counts {
    feed_counts session;
    std::array<line_counts, 2> lines{};  // by line
};

// Writes the feed to `writer`: channel c is the session of seed
// settings.seed + c; every line's datagrams in capture-time order across the
// whole feed. Each line draws its losses and delays from its own seeded
// source, so the lines lose independently. Memory stays flat: each channel
// is spilled to a temporary file, and the files are merged by time.
std::vector<channel_counts> write_feed(const session_settings& settings, const feed_layout& layout,
                                       const capture::udp_route& base,
                                       capture::capture_writer& writer);

}  // namespace tarn::synth
