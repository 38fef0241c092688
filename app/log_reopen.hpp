#pragma once

#include <atomic>

namespace tarn {

// SIGHUP asks for the log file to be opened again by its name, as logrotate
// wants after renaming it: the handler only notes the request; the file sink
// sees the note before its next record, so every record goes whole to the
// renamed file or to the new one. Without --log the note is never looked at:
// SIGHUP then changes nothing, and it no longer ends md_dump (the service's
// logrotate snippet signals every instance, also those writing to the journal).

inline std::atomic<bool>& log_reopen_requested() noexcept {
    static std::atomic<bool> requested{false};
    return requested;
}

// Installs the handler for SIGHUP, with SA_RESTART: a reception goes on
// through it.
void install_log_reopen_handler();

}  // namespace tarn
