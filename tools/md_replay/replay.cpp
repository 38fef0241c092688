#include "replay.hpp"

#include <spdlog/common.h>

#include <chrono>
#include <thread>

namespace tarn::replay {

std::string replay_counts::text() const {
    std::string line =
        spdlog::fmt_lib::format("sent {} datagrams ({} bytes) in {:.3f} s", sent, bytes, seconds);
    if (seconds > 0) {
        line +=
            spdlog::fmt_lib::format(", {:.0f} datagrams/s", static_cast<double>(sent) / seconds);
    }
    const std::uint64_t skipped = not_udp + fragments + cut + other_destination;
    if (skipped != 0) {
        line += spdlog::fmt_lib::format(
            "; skipped {} frames: {} not UDP over IPv4, {} IP fragments, {} cut short by the "
            "capture, {} to other destinations",
            skipped, not_udp, fragments, cut, other_destination);
    }
    return line;
}

void replay_capture(capture::capture_reader& reader,
                    const capture::destination_selection& selection, const pacing& pace,
                    const payload_sender& send, replay_counts& counts) {
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    std::optional<std::uint64_t> first_time;
    auto update_seconds = [&] {
        counts.seconds = std::chrono::duration<double>(clock::now() - start).count();
    };
    while (const std::optional<capture::captured_frame> frame = reader.next()) {
        const capture::decoded_frame& content = frame->content;
        switch (content.verdict) {
            case capture::frame_verdict::udp:
                break;
            case capture::frame_verdict::not_udp:
                ++counts.not_udp;
                continue;
            case capture::frame_verdict::fragment:
                ++counts.fragments;
                continue;
            case capture::frame_verdict::cut:
                ++counts.cut;
                continue;
        }
        const udp_destination destination{content.destination, content.destination_port};
        if (!selection.matches(destination)) {
            ++counts.other_destination;
            continue;
        }
        if (!first_time) {
            first_time = frame->time_ns;
        }
        // A capture whose clock steps back sends at once rather than waiting.
        const std::uint64_t since_first =
            frame->time_ns > *first_time ? frame->time_ns - *first_time : 0;
        std::this_thread::sleep_until(start + due_after(pace, counts.sent, since_first));
        send(content.payload, destination);
        ++counts.sent;
        counts.bytes += content.payload.size();
        update_seconds();
    }
    update_seconds();
}

}  // namespace tarn::replay
