#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "capture/capture_reader.hpp"
#include "capture/destination_tally.hpp"
#include "processing/feed_datagram_source.hpp"

namespace tarn::capture {

// The UDP datagrams of several lines in a capture, in capture order, each
// with its capture time, its sender and the index of its line, its bytes
// straight from the reader's buffer: the offline counterpart of a feed's
// sockets.
//
// The lines are the declared destinations, and with `every_destination`
// also each other UDP destination of the capture, a new line from its first
// datagram on, up to most_lines in all. Datagrams to other destinations are
// skipped and counted. IP fragments and frames cut short by the capture are
// skipped too, and counted when they went to the group of a declared line
// (every group, with every_destination). Damage ends the input, with its
// text kept for the run to report. A capture that ends without a datagram to
// any line throws a text that lists its destinations with their datagram
// counts, largest first.
class feed_capture_source final : public feed_datagram_source {
  public:
    // The most lines a capture taken whole is split into: a capture of
    // endless destinations must not take endless memory.
    static constexpr std::size_t most_lines = 1024;

    // Throws std::invalid_argument for more than 65536 lines.
    feed_capture_source(capture_reader& reader, std::span<const udp_destination> lines,
                        bool every_destination);

    std::optional<datagram> next() override;

    std::size_t line_count() const override { return lines_.size(); }
    const udp_destination& destination(std::size_t line_index) const override {
        return lines_.at(line_index);
    }

    std::uint64_t fragments() const { return fragments_; }
    std::uint64_t cut() const { return cut_; }
    // Datagrams skipped for going to no line, and of those, the ones skipped
    // for going to destinations past most_lines.
    std::uint64_t elsewhere() const { return elsewhere_; }
    std::uint64_t beyond_limit() const { return beyond_limit_; }
    // Why the capture could not be read to its end; empty when it could.
    const std::string& damage() const { return damage_; }

  private:
    void count_unreadable(const decoded_frame& content);
    // The line of a datagram to `to`, a new one when the capture is taken
    // whole; nothing for a datagram to skip.
    std::optional<std::uint16_t> line_of(const udp_destination& to);
    std::uint16_t add_line(const udp_destination& to);
    [[noreturn]] void fail_without_lines() const;

    capture_reader& reader_;
    bool every_destination_;
    std::vector<udp_destination> lines_;
    std::unordered_map<std::uint64_t, std::uint16_t> line_by_destination_;
    std::set<ipv4_address> declared_groups_;
    // The destination of the datagram before, and its line: most follow one
    // of their own line.
    std::uint64_t last_key_ = ~std::uint64_t{0};
    std::uint16_t last_line_ = 0;
    std::uint64_t taken_ = 0;
    std::uint64_t fragments_ = 0;
    std::uint64_t cut_ = 0;
    std::uint64_t elsewhere_ = 0;
    std::uint64_t beyond_limit_ = 0;
    destination_tally skipped_;
    std::string damage_;
};

}  // namespace tarn::capture
