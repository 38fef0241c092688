#include "app/log_reopen.hpp"

#include <csignal>

namespace tarn {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "written by a signal handler");

extern "C" void on_log_reopen_signal(int /*signal*/) { log_reopen_requested().store(true); }

}  // namespace

void install_log_reopen_handler() {
    struct sigaction action {};
    action.sa_handler = on_log_reopen_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, nullptr);
}

}  // namespace tarn
