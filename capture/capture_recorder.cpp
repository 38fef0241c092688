#include "capture/capture_recorder.hpp"

#include <chrono>
#include <stdexcept>

#include "capture/udp_frame.hpp"

namespace tarn::capture {

namespace {

// The received datagram shows neither; these are the usual values.
constexpr std::uint8_t recorded_ttl = 64;

// A locally administered address made of the sender's IPv4 address, so a
// capture tool tells the senders apart.
mac_address sender_mac(const ipv4_address& sender) {
    return {0x02, 0x00, sender[0], sender[1], sender[2], sender[3]};
}

}  // namespace

capture_recorder::capture_recorder(const std::string& path)
    : writer_(path, capture_format{.stamps = stamp_precision::nano}) {}

capture_recorder::capture_recorder(const std::string& path, const capture_reader& capture)
    : capture_(&capture), writer_(path, capture.format()) {}

void capture_recorder::record(const datagram& received, const udp_destination& destination) {
    if (capture_ == nullptr) {
        build_frame(received, destination);
        return;
    }
    // A capture source hands on each datagram as soon as it has read its frame.
    const captured_frame& frame = capture_->last_frame();
    const auto* payload = reinterpret_cast<const std::uint8_t*>(received.bytes.data());
    if (frame.record == nullptr || payload < frame.bytes ||
        payload + received.bytes.size() > frame.bytes + frame.record->caplen) {
        throw std::logic_error("a datagram recorded from a capture is not in its last frame");
    }
    writer_.copy(*frame.record, frame.bytes);
}

void capture_recorder::build_frame(const datagram& received, const udp_destination& destination) {
    const udp_route route{sender_mac(received.sender), received.sender,  received.sender_port,
                          destination.address,         destination.port, recorded_ttl};
    const std::size_t wire_length = build_udp_frame(
        frame_, route, ++ip_id_,
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(received.bytes.data()),
                                      received.bytes.size()),
        received.wire_size);
    std::uint64_t time_ns = received.time_ns;
    if (time_ns == 0) {
        time_ns =
            static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count());
    }
    writer_.write(time_ns, frame_, wire_length);
}

}  // namespace tarn::capture
