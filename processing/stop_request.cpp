#include "processing/stop_request.hpp"

#include <fcntl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "processing/logger.hpp"

namespace tarn {

namespace {

static_assert(std::atomic<int>::is_always_lock_free, "read and written by a signal handler");

std::atomic<int>& socket_to_wake() noexcept {
    static std::atomic<int> fd{-1};
    return fd;
}

// Async-signal-safe throughout: atomics, fcntl, errno saved.
extern "C" void on_stop_signal(int signal) {
    const int saved_errno = errno;
    int none = 0;
    stop_signal().compare_exchange_strong(none, signal);
    const int fd = socket_to_wake().load();
    if (fd >= 0) {
        const int flags = fcntl(fd, F_GETFL);  // NOLINT(cppcoreguidelines-pro-type-vararg)
        if (flags >= 0) {
            // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-signed-bitwise)
            fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        }
    }
    errno = saved_errno;
}

}  // namespace

void install_stop_handlers() {
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            continue;  // started to ignore it (nohup, a background job): keep that
        }
        struct sigaction action {};
        action.sa_handler = on_stop_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;  // no SA_RESTART: a blocking receive returns
        sigaction(signal, &action, nullptr);
    }
}

socket_woken_on_stop::socket_woken_on_stop(int fd) noexcept { socket_to_wake().store(fd); }

socket_woken_on_stop::~socket_woken_on_stop() { socket_to_wake().store(-1); }

void end_by_stop_signal() {
    const int signal = stop_signal().load();
    if (signal == 0) {
        return;
    }
    if (const auto& logger = get_logger()) {
        logger->flush();
    }
    static_cast<void>(std::fflush(nullptr));
    static_cast<void>(std::signal(signal, SIG_DFL));
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblocked, nullptr);
    static_cast<void>(std::raise(signal));
    std::_Exit(128 + signal);  // only if the default action did not end the process
}

}  // namespace tarn
