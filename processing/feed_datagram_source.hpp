#pragma once

#include <cstddef>
#include <cstdint>

#include "processing/datagram_recorder.hpp"
#include "processing/datagram_source.hpp"

namespace tarn {

// A source of the datagrams of several lines, a UDP destination each: the
// sockets of a feed, or the destinations of a capture. Each datagram it
// hands out carries its line's index in `line_index`. A capture taken whole
// may find new lines as it goes: line_count() grows, and a datagram of a new
// line is the first with its index.
class feed_datagram_source : public datagram_source {
  public:
    virtual std::size_t line_count() const = 0;
    virtual const udp_destination& destination(std::size_t line_index) const = 0;
    // The datagrams of one line lost so far, where the source can know it.
    virtual std::uint64_t dropped(std::size_t /*line_index*/) { return 0; }
    using datagram_source::dropped;
};

}  // namespace tarn
