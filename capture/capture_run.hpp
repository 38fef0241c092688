#pragma once

#include <chrono>

#include "capture/capture_reader.hpp"
#include "capture/capture_source.hpp"
#include "processing/datagram_recorder.hpp"
#include "processing/md_processors.hpp"
#include "processing/published_figures.hpp"

namespace tarn::capture {

// The offline counterpart of a multicast receiver: the datagrams of the
// selected destination go through the receive loop into the processor as
// live ones do, each also to the recorder when there is one, while standard
// error shows the progress of reading when it is a terminal. Then come a
// warning with the IP fragments and cut frames not read, when there were
// any, an error record naming the damage when the capture is damaged, and
// the summary, and with a `stats_interval`, its records on capture time and
// the whole run's figures after the summary. While it reads, its progress
// is shown on standard error when that is a terminal the log does not use. Returns the exit status:
// 1 after damage, else 0. A failure of the selection throws, as a failure of a live run does,
// without a summary. With a `publisher`, the run's figures go there as it goes.
int read_capture(md::processor& processor, capture_reader& reader,
                 const destination_selection& selection, datagram_recorder* recorder,
                 std::chrono::nanoseconds stats_interval = {}, bool log_on_standard_output = false,
                 figures_publisher* publisher = nullptr);

}  // namespace tarn::capture
