#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "net/socket_source.hpp"
#include "processing/datagram_recorder.hpp"
#include "processing/datagram_source.hpp"
#include "processing/feed_datagram_source.hpp"

namespace tarn {

// How each line's socket receives.
struct line_settings {
    std::uint64_t receive_buffer = 0;  // SO_RCVBUF asked for each socket, bytes; 0: the system's
    bool receive_times = false;        // the kernel's receive time of each datagram
};

// The datagrams of several lines (a multicast group and port each), received
// in one thread. Each line has its own socket, bound to its group address
// rather than to any address and with IP_MULTICAST_ALL off, so that it
// receives its own group and port only, never another group joined on the
// same port; every socket joins on the interface of one local address.
//
// One epoll set waits for them all. A ready socket gives a batch of up to
// batch_size datagrams with recvmmsg; the ready sockets take turns, a batch
// each, until each would block, so a busy line cannot starve the others.
// The batch buffer is one for all lines (receive_buffer_size bytes a slot):
// memory does not grow with the number of lines. Each datagram is handed out
// as socket_source does, tagged with the index of its line.
//
// A stop signal ends next() as it does socket_source's: before the wait, or
// during it, which the signal interrupts.
class feed_source final : public feed_datagram_source {
  public:
    // Opens, binds and joins a socket for each line; a datagram's line_index
    // is its line's index in `lines`. `local` is the interface's address as
    // on the wire. Throws the library's system_error for "open", "set_option"
    // or "bind" when the system refuses, and std::invalid_argument for no
    // lines or more than 65536.
    feed_source(std::span<const udp_destination> lines, const std::array<std::uint8_t, 4>& local,
                const line_settings& settings = {});
    ~feed_source() override;
    feed_source(const feed_source&) = delete;
    feed_source& operator=(const feed_source&) = delete;
    feed_source(feed_source&&) = delete;
    feed_source& operator=(feed_source&&) = delete;

    // Nothing once a stop signal has arrived; throws the library's
    // system_error for "receive_from" or "epoll_wait" when one fails.
    std::optional<datagram> next() override;
    // The kernel's drops of all lines, and of one.
    std::uint64_t dropped() override;
    std::uint64_t dropped(std::size_t line_index) override;
    bool wake_up_every(std::chrono::nanoseconds period) override;

    std::size_t line_count() const noexcept override { return lines_.size(); }
    const udp_destination& destination(std::size_t line_index) const override {
        return lines_.at(line_index).destination;
    }
    // The receive buffer the kernel granted each socket, when one was asked.
    std::uint64_t receive_buffer_granted() const noexcept { return granted_; }

    static constexpr unsigned batch_size = 64;

  private:
    struct line {
        udp_destination destination;
        int fd = -1;
        drop_counter drops;
    };
    struct batch;

    void open_line(const udp_destination& to, const std::array<std::uint8_t, 4>& local,
                   const line_settings& settings);
    void close_all() noexcept;
    // A batch from the next ready line, waiting for one if none is; false
    // when it should stop. An empty batch: a silent period.
    bool receive_batch();
    // Waits for lines to become ready and adds them to ready_; the count
    // ready, 0 after a silent period, -1 when it should stop.
    int wait_for_lines();
    datagram take(unsigned index);

    std::vector<line> lines_;
    int epoll_fd_ = -1;
    std::uint64_t granted_ = 0;
    int timeout_ms_ = -1;  // of a wait: -1 for none
    std::unique_ptr<batch> batch_;
    std::vector<std::uint16_t> ready_;  // lines that may have datagrams, in turn order
    std::size_t turn_ = 0;              // the position in ready_ of the next line to read
    std::uint16_t batch_line_ = 0;      // the line of the current batch
    unsigned received_ = 0;             // datagrams of the current batch
    unsigned next_ = 0;                 // the next one to hand out
};

}  // namespace tarn
