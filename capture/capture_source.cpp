#include "capture/capture_source.hpp"

#include <spdlog/common.h>

#include <stdexcept>
#include <utility>

namespace tarn::capture {

namespace {

std::string selection_text(const destination_selection& selection) {
    if (selection.group && selection.port) {
        return text_of(udp_destination{*selection.group, *selection.port});
    }
    if (selection.group) {
        const auto& a = *selection.group;
        return spdlog::fmt_lib::format("{}.{}.{}.{}", a[0], a[1], a[2], a[3]);
    }
    return selection.port ? spdlog::fmt_lib::format("port {}", *selection.port) : "";
}

}  // namespace

capture_source::capture_source(capture_reader& reader, const destination_selection& selection)
    : reader_(reader), selection_(selection) {}

bool capture_source::counted_as_unreadable(const decoded_frame& content) {
    if (content.verdict == frame_verdict::udp) {
        return false;
    }
    // Only the group is known of a piece or a stub; other groups' are not counted.
    if (!selection_.group || *selection_.group == content.destination) {
        fragments_ += content.verdict == frame_verdict::fragment ? 1 : 0;
        cut_ += content.verdict == frame_verdict::cut ? 1 : 0;
    }
    return true;
}

std::optional<datagram> capture_source::next() {
    for (;;) {
        const std::optional<captured_frame> frame = reader_.next_or_damage(damage_);
        if (!frame) {
            if (selected_ == 0 && damage_.empty()) {
                fail_with_destinations(selection_.group || selection_.port
                                           ? "holds no UDP datagram to " +
                                                 selection_text(selection_)
                                           : "holds no UDP datagram");
            }
            return std::nullopt;
        }
        const decoded_frame& content = frame->content;
        if (counted_as_unreadable(content)) {
            continue;
        }
        const udp_destination to{content.destination, content.destination_port};
        if (!settled_ || to != destination_) {
            if (!selection_.matches(to)) {
                elsewhere_.count(to);
                continue;
            }
            if (settled_) {
                count_rest_and_fail(to);
            }
            destination_ = to;
            settled_ = true;
        }
        ++selected_;
        return datagram_of(*frame);
    }
}

void capture_source::count_rest_and_fail(const udp_destination& second) {
    elsewhere_.count(second);
    while (const std::optional<captured_frame> frame = reader_.next_or_damage(damage_)) {
        const decoded_frame& content = frame->content;
        if (counted_as_unreadable(content)) {
            continue;
        }
        const udp_destination other{content.destination, content.destination_port};
        if (other == destination_) {
            ++selected_;
        } else {
            elsewhere_.count(other);
        }
    }
    fail_with_destinations(
        "holds datagrams to several destinations; choose one with "
        "--multicast-group and --port");
}

void capture_source::fail_with_destinations(const std::string& reason) {
    destination_counts listed;
    if (settled_) {
        listed.emplace_back(destination_, selected_);
    }
    // After a second destination only the matching ones are choices; when
    // nothing matched, every destination is.
    for (const auto& [other, count] : elsewhere_.listed()) {
        if (!settled_ || selection_.matches(other)) {
            listed.emplace_back(other, count);
        }
    }
    std::string head = "capture " + reader_.name() + " " + reason;
    if (!settled_ && fragments_ + cut_ != 0) {
        head += unread_frames_text(fragments_, cut_);
    }
    std::string text = with_destinations(
        std::move(head), settled_ ? ":" : "; it holds:", std::move(listed), elsewhere_.unlisted());
    if (!damage_.empty()) {
        text += "\n" + damage_;
    }
    throw std::runtime_error(text);
}

}  // namespace tarn::capture
