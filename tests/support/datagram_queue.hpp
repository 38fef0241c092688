#pragma once

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>

#include "processing/receive_loop.hpp"

namespace tarn::testing {

// Datagrams from memory, handed out in order like a socket would: a datagram
// longer than the room is cut. Running dry is a test error, not an empty
// datagram, so a loop that fails to stop shows up as an exception.
class datagram_queue final : public datagram_source {
  public:
    datagram_queue& add(std::string_view datagram) {
        datagrams_.emplace_back(datagram);
        return *this;
    }

    std::size_t receive(char* into, std::size_t room) override {
        if (datagrams_.empty()) {
            throw std::runtime_error("no datagram left");
        }
        const std::string datagram = std::move(datagrams_.front());
        datagrams_.pop_front();
        const std::size_t size = std::min(room, datagram.size());
        std::copy_n(datagram.data(), size, into);
        ++received_;
        return size;
    }

    std::size_t left() const { return datagrams_.size(); }
    std::size_t received() const { return received_; }

  private:
    std::deque<std::string> datagrams_;
    std::size_t received_ = 0;
};

}  // namespace tarn::testing
