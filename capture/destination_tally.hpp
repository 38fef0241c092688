#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "processing/datagram_recorder.hpp"

namespace tarn::capture {

// Datagrams counted by destination, for the list a failure gives so the user
// can choose: a capture of endless distinct destinations is counted, not
// listed, past the first `listed_destinations`.
class destination_tally {
  public:
    // Enough for any capture a user means to pick from.
    static constexpr std::size_t listed_destinations = 1000;

    void count(const udp_destination& to);

    const std::map<udp_destination, std::uint64_t>& listed() const { return listed_; }
    // Datagrams to the destinations past the listed ones.
    std::uint64_t unlisted() const { return unlisted_; }

  private:
    std::map<udp_destination, std::uint64_t> listed_;
    std::uint64_t unlisted_ = 0;
};

using destination_counts = std::vector<std::pair<udp_destination, std::uint64_t>>;

// " whole (2 IP fragments and 1 frames cut short by the capture are not
// read)": what a capture held that may be the datagrams looked for.
std::string unread_frames_text(std::uint64_t fragments, std::uint64_t cut);

// `head` ("capture day.pcap holds no UDP datagram") followed, when there are
// any, by `lead` and the destinations with their datagram counts, one a line,
// the largest first (equal ones in the given order), then the sum to those
// not listed.
std::string with_destinations(std::string head, std::string_view lead, destination_counts listed,
                              std::uint64_t unlisted);

}  // namespace tarn::capture
