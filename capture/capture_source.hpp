#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/capture_reader.hpp"
#include "capture/destination_selection.hpp"
#include "capture/destination_tally.hpp"
#include "processing/datagram_recorder.hpp"
#include "processing/datagram_source.hpp"

namespace tarn::capture {

// The UDP datagrams of one destination in a capture, in capture order, each
// with its capture time and sender, its bytes straight from the reader's
// buffer.
//
// The source settles on the first destination the selection matches. A
// datagram to a second one ends the input: the rest of the capture is only
// counted, and `next` throws a text that lists every matching destination
// with its datagram count, largest first, so the user can choose. So does the
// end of a capture in which nothing matched. IP fragments and frames cut
// short by the capture are skipped, and counted unless they went to another
// group than the one selected; damage ends the input, with its text kept for
// the run to report.
class capture_source final : public datagram_source {
  public:
    capture_source(capture_reader& reader, const destination_selection& selection);
    ~capture_source() override = default;
    capture_source(const capture_source&) = delete;
    capture_source& operator=(const capture_source&) = delete;
    capture_source(capture_source&&) = delete;
    capture_source& operator=(capture_source&&) = delete;

    std::optional<datagram> next() override;

    // The destination settled on; all zero before the first datagram.
    const udp_destination& destination() const { return destination_; }
    std::uint64_t fragments() const { return fragments_; }
    std::uint64_t cut() const { return cut_; }
    // Why the capture could not be read to its end; empty when it could.
    const std::string& damage() const { return damage_; }

  private:
    // False for a frame that carries no whole UDP datagram.
    bool counted_as_unreadable(const decoded_frame& content);
    // Two selected streams can only be told apart by the user: at the first
    // datagram of a `second` destination the selection takes, reads the rest
    // of the capture, counting its datagrams, and throws the list of choices.
    [[noreturn]] void count_rest_and_fail(const udp_destination& second);
    [[noreturn]] void fail_with_destinations(const std::string& reason);

    capture_reader& reader_;
    destination_selection selection_;
    udp_destination destination_;
    bool settled_ = false;
    std::uint64_t selected_ = 0;
    std::uint64_t fragments_ = 0;
    std::uint64_t cut_ = 0;
    std::string damage_;
    // Datagrams to every other destination, for the list a failure gives.
    destination_tally elsewhere_;
};

}  // namespace tarn::capture
