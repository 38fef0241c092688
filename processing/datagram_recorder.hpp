#pragma once

#include <cstdint>
#include <optional>

#include "processing/datagram_source.hpp"
#include "processing/udp_destination.hpp"

namespace tarn {

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
