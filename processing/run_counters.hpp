#pragma once

#include <cstdint>

namespace tarn {

// What one line brought in, counted by its framing per datagram: plain
// increments, no lock and no atomic, read by the run's own thread only.
struct line_counters {
    std::uint64_t datagrams = 0;
    std::uint64_t bytes = 0;          // of the datagrams, as sent
    std::uint64_t datagrams_cut = 0;  // longer than the receive buffer had room for
};

// The messages of one channel that were not what the sequence or their
// layout expects, counted by the sequence check and the processor as they
// write their records.
struct message_anomalies {
    std::uint64_t resends = 0;           // a number below the one expected
    std::uint64_t unknown_messages = 0;  // a type without a layout (full dump)
    // A length below the header, or (full dump) shorter than its type's layout.
    std::uint64_t short_messages = 0;
};

}  // namespace tarn
