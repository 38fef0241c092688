#pragma once

#include <memory>
#include <string>

#include "app/feed_options.hpp"
#include "capture/capture_reader.hpp"
#include "net/multicast_receiver.hpp"
#include "processing/datagram_recorder.hpp"
#include "processing/feed_run.hpp"

namespace tarn {

// The run of the channels `request` declares, each processor made by `make`.
std::unique_ptr<feed_run> make_feed_run(const feed_request& request, feed_run::processor_maker make,
                                        const reception_settings& reception, records::form form,
                                        bool captured);

// Live: joins every line on the interface of `local_ip` and receives them to
// the end, then writes the summary. Returns the exit status, 0.
int receive_feed(feed_run& run, const feed_request& request, const std::string& local_ip,
                 const reception_settings& reception, datagram_recorder* recorder,
                 figures_publisher* publisher);

// Offline: the declared destinations of the capture, or every one, as the
// live run would take them; then the frames not read, the damage and the
// summary, as for one destination. Returns the exit status: 1 after damage.
int read_feed_capture(feed_run& run, capture::capture_reader& reader, const feed_request& request,
                      datagram_recorder* recorder, bool log_on_standard_output,
                      figures_publisher* publisher);

}  // namespace tarn
