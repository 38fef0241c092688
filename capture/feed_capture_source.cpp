#include "capture/feed_capture_source.hpp"

#include <stdexcept>
#include <utility>

#include "processing/stop_request.hpp"

namespace tarn::capture {

namespace {

// A destination as one number: its address in the high bytes, its port in the low two.
std::uint64_t key_of(const udp_destination& to) {
    const auto& a = to.address;
    return std::uint64_t{a[0]} << 40U | std::uint64_t{a[1]} << 32U | std::uint64_t{a[2]} << 24U |
           std::uint64_t{a[3]} << 16U | to.port;
}

}  // namespace

feed_capture_source::feed_capture_source(capture_reader& reader,
                                         std::span<const udp_destination> lines,
                                         bool every_destination)
    : reader_(reader), every_destination_(every_destination) {
    constexpr std::size_t most_indexes = std::size_t{UINT16_MAX} + 1;
    if (lines.size() > most_indexes) {
        throw std::invalid_argument("a feed capture source has at most 65536 lines");
    }
    for (const udp_destination& line : lines) {
        add_line(line);
        declared_groups_.insert(line.address);
    }
}

std::uint16_t feed_capture_source::add_line(const udp_destination& to) {
    const auto index = static_cast<std::uint16_t>(lines_.size());
    lines_.push_back(to);
    // A destination declared twice keeps its first line.
    return line_by_destination_.emplace(key_of(to), index).first->second;
}

void feed_capture_source::count_unreadable(const decoded_frame& content) {
    // Only the group is known of a piece or a stub.
    if (every_destination_ || declared_groups_.contains(content.destination)) {
        fragments_ += content.verdict == frame_verdict::fragment ? 1 : 0;
        cut_ += content.verdict == frame_verdict::cut ? 1 : 0;
    }
}

std::optional<std::uint16_t> feed_capture_source::line_of(const udp_destination& to) {
    const std::uint64_t key = key_of(to);
    if (key == last_key_) {
        return last_line_;
    }
    const auto known = line_by_destination_.find(key);
    if (known != line_by_destination_.end()) {
        last_key_ = key;
        last_line_ = known->second;
        return last_line_;
    }
    if (every_destination_ && lines_.size() < most_lines) {
        last_key_ = key;
        last_line_ = add_line(to);
        return last_line_;
    }
    ++elsewhere_;
    beyond_limit_ += every_destination_ ? 1 : 0;
    skipped_.count(to);
    return std::nullopt;
}

std::optional<datagram> feed_capture_source::next() {
    for (;;) {
        const std::optional<captured_frame> frame = reader_.next_or_damage(damage_);
        if (!frame) {
            if (taken_ == 0 && damage_.empty() && !stop_requested()) {
                fail_without_lines();
            }
            return std::nullopt;
        }
        const decoded_frame& content = frame->content;
        if (content.verdict != frame_verdict::udp) {
            if (content.verdict != frame_verdict::not_udp) {
                count_unreadable(content);
            }
            continue;
        }
        const std::optional<std::uint16_t> line =
            line_of({content.destination, content.destination_port});
        if (!line) {
            continue;
        }
        ++taken_;
        datagram taken = datagram_of(*frame);
        taken.line_index = *line;
        return taken;
    }
}

void feed_capture_source::fail_without_lines() const {
    std::string head = "capture " + reader_.name() + " holds no UDP datagram";
    if (!every_destination_) {
        head += " to a declared channel";
    }
    if (fragments_ + cut_ != 0) {
        head += unread_frames_text(fragments_, cut_);
    }
    throw std::runtime_error(with_destinations(
        std::move(head),
        "; it holds:", destination_counts(skipped_.listed().begin(), skipped_.listed().end()),
        skipped_.unlisted()));
}

}  // namespace tarn::capture
