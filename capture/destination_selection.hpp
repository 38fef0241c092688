#pragma once

#include <cstdint>
#include <optional>

#include "capture/udp_frame.hpp"
#include "processing/datagram_recorder.hpp"

namespace tarn::capture {

// The UDP destination chosen in a capture, by md_dump's --multicast-group and
// --port or md_replay's --only-group and --only-port; either part may be left
// open, and then any value matches.
struct destination_selection {
    std::optional<ipv4_address> group;
    std::optional<std::uint16_t> port;

    bool matches(const udp_destination& destination) const {
        return (!group || *group == destination.address) && (!port || *port == destination.port);
    }
};

}  // namespace tarn::capture
