#pragma once

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
    datagram_queue& add(std::string_view datagram) {
        datagrams_.emplace_back(datagram);
        return *this;
    }

    std::optional<datagram> next() override {
        if (datagrams_.empty()) {
            throw std::runtime_error("no datagram left");
        }
        current_ = std::move(datagrams_.front());
        datagrams_.pop_front();
        ++received_;
        return datagram{.bytes = current_, .wire_size = current_.size()};
    }

    std::size_t left() const { return datagrams_.size(); }
    std::size_t received() const { return received_; }

  private:
    std::deque<std::string> datagrams_;
    std::string current_;
    std::size_t received_ = 0;
};

}  // namespace tarn::testing
