#pragma once

#include <chrono>
#include <optional>

#include "processing/datagram_recorder.hpp"
#include "processing/datagram_source.hpp"
#include "processing/interval_statistics.hpp"
#include "processing/md_processors.hpp"
#include "processing/published_figures.hpp"

namespace tarn {

// How a run takes its datagrams, beyond their source.
struct run_input {
    // Where each datagram also goes, as sent to `destination`, which is read
    // at every datagram: it may be one the source settles on as it goes.
    datagram_recorder* recorder = nullptr;
    const udp_destination* destination = nullptr;
    // The datagrams were captured earlier: the records written while one is
    // handled carry its capture time, not the clock's.
    bool captured = false;
    // Where the run's figures go, if anywhere (the metrics endpoint), as one
    // channel named after `destination`, on one line whose socket was
    // granted `receive_buffer_bytes` (0: unknown).
    figures_publisher* publisher = nullptr;
    std::uint64_t receive_buffer_bytes = 0;
};

// One run of the processor over datagrams, live from a socket or offline
// from a capture, each datagram taken as its source gives it:
//
//   source.next() -> [recorder] -> receive_loop: framing, sequence check
//   -> processor -> its record writer -> the logger
//
// `receive` feeds the processor to the end of reception; `summarise` then
// writes the summary and, with interval statistics, the whole run's figures.
// What a kind of source adds (a capture's skipped frames and damage) comes
// between the two.
class run {
  public:
    // With a `stats_interval` above 0, interval statistics on the datagrams' time.
    run(md::processor& processor, std::chrono::nanoseconds stats_interval);

    // Exceptions of the source pass through, and no summary follows them.
    void receive(datagram_source& source, const run_input& input = {});
    void summarise();

  private:
    md::processor& processor_;
    std::optional<interval_statistics> statistics_;
};

}  // namespace tarn
