#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <tuple>

#include "processing/datagram_source.hpp"

namespace tarn {

// Where a datagram went: an IPv4 address as on the wire, and a UDP port.
struct udp_destination {
    std::array<std::uint8_t, 4> address{};
    std::uint16_t port = 0;

    friend bool operator==(const udp_destination&, const udp_destination&) = default;
    friend bool operator<(const udp_destination& a, const udp_destination& b) {
        return std::tie(a.address, a.port) < std::tie(b.address, b.port);
    }
};

// Keeps a copy of the datagrams a run receives: a capture being written.
class datagram_recorder {
  public:
    datagram_recorder() = default;
    datagram_recorder(const datagram_recorder&) = delete;
    datagram_recorder& operator=(const datagram_recorder&) = delete;
    datagram_recorder(datagram_recorder&&) = delete;
    datagram_recorder& operator=(datagram_recorder&&) = delete;
    virtual ~datagram_recorder() = default;

    virtual void record(const datagram& received, const udp_destination& destination) = 0;
};

// Hands on what another source gives, recording each datagram on the way.
// `destination` is read at every datagram, so it may be one that the source
// settles on as it goes.
class recording_source final : public forwarding_source {
  public:
    recording_source(datagram_source& from, datagram_recorder& recorder,
                     const udp_destination& destination)
        : forwarding_source(from), recorder_(recorder), destination_(destination) {}

    std::optional<datagram> next() override {
        std::optional<datagram> received = from().next();
        if (received && !received->idle) {
            recorder_.record(*received, destination_);
        }
        return received;
    }

  private:
    datagram_recorder& recorder_;
    const udp_destination& destination_;
};

}  // namespace tarn
