#pragma once

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>

#include "processing/datagram_source.hpp"

namespace tarn::testing {

// Datagrams from memory, handed out in order like a socket would. Running
// dry is a test error, not an empty datagram, so a loop that fails to stop
// shows up as an exception.
class datagram_queue final : public datagram_source {
  public:
    // A datagram received at `time_ns` (0: unknown).
    datagram_queue& add(std::string_view datagram, std::uint64_t time_ns = 0) {
        datagrams_.push_back({std::string(datagram), time_ns});
        return *this;
    }
    // What dropped() tells.
    void set_dropped(std::uint64_t count) { dropped_ = count; }

    std::optional<datagram> next() override {
        if (datagrams_.empty()) {
            throw std::runtime_error("no datagram left");
        }
        current_ = std::move(datagrams_.front());
        datagrams_.pop_front();
        return datagram{.bytes = current_.bytes,
                        .wire_size = current_.bytes.size(),
                        .time_ns = current_.time_ns};
    }
    std::uint64_t dropped() override { return dropped_; }

    std::size_t left() const { return datagrams_.size(); }

  private:
    struct queued {
        std::string bytes;
        std::uint64_t time_ns;
    };
    std::deque<queued> datagrams_;
    queued current_;
    std::uint64_t dropped_ = 0;
};

}  // namespace tarn::testing
