#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "capture/capture_reader.hpp"
#include "capture/destination_selection.hpp"
#include "pacing.hpp"

namespace tarn::replay {

// What a replay did, kept up to date as it goes, so a failure can still
// report what was sent before it.
struct replay_counts {
    std::uint64_t sent = 0;
    std::uint64_t bytes = 0;
    std::uint64_t not_udp = 0;
    std::uint64_t fragments = 0;
    std::uint64_t cut = 0;
    std::uint64_t other_destination = 0;
    double seconds = 0.0;

    // One line: what was sent, how fast, and what was skipped.
    std::string text() const;
};

// A payload and the destination the capture shows it going to.
using payload_sender = std::function<void(std::span<const std::uint8_t>, const udp_destination&)>;

// Sends the UDP payloads of the capture to the selected destination, in
// capture order, each at its due time. Exceptions of the reader and the
// sender pass through.
void replay_capture(capture::capture_reader& reader,
                    const capture::destination_selection& selection, const pacing& pace,
                    const payload_sender& send, replay_counts& counts);

}  // namespace tarn::replay
