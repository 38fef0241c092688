#include "capture/capture_source.hpp"

#include <spdlog/common.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "processing/stop_request.hpp"

namespace tarn::capture {

namespace {

// Enough for any capture a user means to pick from.
constexpr std::size_t listed_destinations = 1000;

std::string text_of(const udp_destination& destination) {
    const auto& a = destination.address;
    return spdlog::fmt_lib::format("{}.{}.{}.{}:{}", a[0], a[1], a[2], a[3], destination.port);
}

std::string text_of(const destination_selection& selection) {
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

std::optional<captured_frame> capture_source::read() {
    try {
        return reader_.next();
    } catch (const capture_damaged& e) {
        // A stop signal interrupts a read from a pipe: that is the end the
        // user asked for, not damage.
        if (!stop_requested()) {
            damage_ = e.what();
        }
        return std::nullopt;
    }
}

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
        const std::optional<captured_frame> frame = read();
        if (!frame) {
            if (selected_ == 0 && damage_.empty()) {
                fail_with_destinations(selection_.group || selection_.port
                                           ? "holds no UDP datagram to " + text_of(selection_)
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
                count_elsewhere(to);
                continue;
            }
            if (settled_) {
                count_rest_and_fail(to);
            }
            destination_ = to;
            settled_ = true;
        }
        ++selected_;
        return datagram{
            .bytes = std::span<const char>(reinterpret_cast<const char*>(content.payload.data()),
                                           content.payload.size()),
            .wire_size = content.payload.size(),
            .time_ns = frame->time_ns,
            .sender = content.source,
            .sender_port = content.source_port,
        };
    }
}

void capture_source::count_rest_and_fail(const udp_destination& second) {
    count_elsewhere(second);
    while (const std::optional<captured_frame> frame = read()) {
        const decoded_frame& content = frame->content;
        if (counted_as_unreadable(content)) {
            continue;
        }
        const udp_destination other{content.destination, content.destination_port};
        if (other == destination_) {
            ++selected_;
        } else {
            count_elsewhere(other);
        }
    }
    fail_with_destinations(
        "holds datagrams to several destinations; choose one with "
        "--multicast-group and --port");
}

void capture_source::count_elsewhere(const udp_destination& to) {
    const auto known = elsewhere_.find(to);
    if (known != elsewhere_.end()) {
        ++known->second;
    } else if (elsewhere_.size() < listed_destinations) {
        elsewhere_.emplace(to, 1);
    } else {
        ++unlisted_;
    }
}

void capture_source::fail_with_destinations(const std::string& reason) {
    std::vector<std::pair<udp_destination, std::uint64_t>> listed;
    if (settled_) {
        listed.emplace_back(destination_, selected_);
    }
    // After a second destination only the matching ones are choices; when
    // nothing matched, every destination is.
    for (const auto& [other, count] : elsewhere_) {
        if (!settled_ || selection_.matches(other)) {
            listed.emplace_back(other, count);
        }
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string text = "capture " + reader_.name() + " " + reason;
    if (!settled_ && fragments_ + cut_ != 0) {
        text += spdlog::fmt_lib::format(
            " whole ({} IP fragments and {} frames cut short by the capture are not read)",
            fragments_, cut_);
    }
    if (!listed.empty() || unlisted_ != 0) {
        text += settled_ ? ":" : "; it holds:";
    }
    for (const auto& [choice, count] : listed) {
        text += spdlog::fmt_lib::format("\n  {} {} datagrams", text_of(choice), count);
    }
    if (unlisted_ != 0) {
        text += spdlog::fmt_lib::format("\n  and {} datagrams to further destinations", unlisted_);
    }
    if (!damage_.empty()) {
        text += "\n" + damage_;
    }
    throw std::runtime_error(text);
}

}  // namespace tarn::capture
