#pragma once

#include <atomic>

namespace tarn {

// Ending a run in order on SIGINT or SIGTERM: the handler only notes the
// signal; the receive loop sees the note before each datagram and ends
// normally, so the summary is written and every destructor runs; then the
// process ends by the same signal with its default action, and its parent
// sees the status it would see without the handler.

// The signal that asked the run to stop, 0 while none has.
inline std::atomic<int>& stop_signal() noexcept {
    static std::atomic<int> received{0};
    return received;
}

inline bool stop_requested() noexcept { return stop_signal().load(std::memory_order_relaxed) != 0; }

// Installs the handler for SIGINT and SIGTERM, except for a signal the
// process was started to ignore. A blocking receive returns early with EINTR
// (the handler does not restart it), and the handler is one-shot: a second
// SIGINT while the run finishes ends the process at once.
void install_stop_handlers();

// The socket a receive may block on: on a stop signal the handler makes it
// non-blocking, so a receive entered just after the loop looked at the note
// returns at once instead of waiting for a datagram. One socket at a time.
class socket_woken_on_stop {
  public:
    explicit socket_woken_on_stop(int fd) noexcept;
    ~socket_woken_on_stop();
    socket_woken_on_stop(const socket_woken_on_stop&) = delete;
    socket_woken_on_stop& operator=(const socket_woken_on_stop&) = delete;
    socket_woken_on_stop(socket_woken_on_stop&&) = delete;
    socket_woken_on_stop& operator=(socket_woken_on_stop&&) = delete;
};

// After a run stopped by a signal: flushes the log and raises the signal again
// with its default action, which ends the process. Returns when no signal
// stopped the run.
void end_by_stop_signal();

}  // namespace tarn
