#pragma once

#include <cstddef>
#include <cstdint>

#include "calendar.hpp"
#include "session_feed.hpp"

namespace tarn::synth {

// Faults put into a session on purpose, to see a receiver report them.
struct anomalies {
    std::uint32_t gaps = 0;            // runs of one to three sequence numbers never sent
    std::uint32_t resends = 0;         // recent messages sent a second time
    std::uint32_t unknown_types = 0;   // messages of a type outside the catalogue
    std::uint32_t short_messages = 0;  // messages shorter than their type's layout

    std::uint32_t total() const { return gaps + resends + unknown_types + short_messages; }
};

struct session_settings {
    std::uint64_t seed = 1;
    std::uint64_t messages = 2000;  // sequenced messages: heartbeats and resends not counted
    std::size_t datagram_size = 1400;
    // Never split a message across datagrams, as the lines of a feed do: a
    // datagram lost on one line then costs its own messages only.
    bool whole_messages = false;
    session_date date = session_date::parse("2026-03-02");
    anomalies faults;
};

// Writes one trading day in miniature, the same for the same settings:
// the start of the technical session, reference data, the opening call and
// auction, a snapshot as a late joiner sees it, continuous trading with the
// index, the closing auction, the day's summaries and the end of the
// technical session. Every message type of the catalogue appears.
// Throws std::invalid_argument when `messages` is too small for all of it.
feed_counts generate_session(const session_settings& settings,
                             const session_feed::datagram_sink& sink);

}  // namespace tarn::synth
