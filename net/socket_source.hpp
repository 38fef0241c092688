#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "processing/datagram_source.hpp"

namespace tarn {

// The kernel's count of datagrams it dropped for a socket because its receive
// buffer was full: cumulative and 32 bits wide, so only differences count,
// modulo 2^32.
class drop_counter {
  public:
    // The count as the kernel gives it now.
    void update(std::uint32_t cumulative) noexcept {
        total_ += static_cast<std::uint32_t>(cumulative - last_);
        last_ = cumulative;
    }
    std::uint64_t total() const noexcept { return total_; }

  private:
    std::uint32_t last_ = 0;
    std::uint64_t total_ = 0;
};

// Asks the kernel to hand each datagram with the time it received it
// (SO_TIMESTAMPNS). Throws the library's set-option error when it refuses.
void enable_receive_times(int fd);

// The receive time in a received message's control messages, 0 if none.
std::uint64_t receive_time_of(msghdr& message);

// The kernel's cumulative drop count of a socket (SO_MEMINFO). Throws the
// library's get-option error when it refuses.
std::uint32_t kernel_drop_count(int fd);

// Datagrams of a bound UDP socket, received in batches with recvmmsg: one
// call takes whatever has queued up, blocking only until the first datagram
// is there. Each is handed out on its own, a view into its slot of the batch
// buffer (receive_buffer_size bytes a slot; a longer datagram is cut there by
// the kernel and its length as sent kept), with its sender and, after
// enable_receive_times, its receive time.
//
// The drops are read from the socket when asked (SO_MEMINFO) rather than
// from each datagram (SO_RXQ_OVFL, the same counter): a control message per
// datagram costs about a tenth of the kernel's work for it, and it would come
// with every datagram exactly while the receiver is behind.
class socket_source final : public datagram_source {
  public:
    explicit socket_source(int fd);
    ~socket_source() override;
    socket_source(const socket_source&) = delete;
    socket_source& operator=(const socket_source&) = delete;
    socket_source(socket_source&&) = delete;
    socket_source& operator=(socket_source&&) = delete;

    // Nothing once a stop signal has arrived; throws the library's
    // system_error for "receive_from" when a receive fails.
    std::optional<datagram> next() override;
    std::uint64_t dropped() override;
    bool wake_up_every(std::chrono::nanoseconds period) override;

    static constexpr unsigned batch_size = 64;

  private:
    struct batch;

    // Blocks until at least one datagram is in; false when it should stop.
    bool receive_batch();
    datagram take(unsigned index);

    int fd_;
    bool wakes_up_ = false;
    std::unique_ptr<batch> batch_;
    unsigned received_ = 0;  // datagrams of the current batch
    unsigned next_ = 0;      // the next one to hand out
    drop_counter drops_;
};

}  // namespace tarn
