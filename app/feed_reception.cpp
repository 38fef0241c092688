#include "app/feed_reception.hpp"

#include <boost/asio/ip/address.hpp>

#include <algorithm>
#include <iterator>
#include <vector>

#include "capture/capture_progress.hpp"
#include "capture/feed_capture_source.hpp"
#include "net/feed_source.hpp"

namespace tarn {

namespace {

std::vector<udp_destination> lines_of(const feed_request& request) {
    std::vector<udp_destination> lines;
    for (const channel_declaration& channel : request.channels) {
        lines.insert(lines.end(), channel.lines.begin(), channel.lines.end());
    }
    return lines;
}

}  // namespace

std::unique_ptr<feed_run> make_feed_run(const feed_request& request, feed_run::processor_maker make,
                                        const reception_settings& reception, records::form form,
                                        bool captured) {
    std::vector<feed_channel> channels;
    std::transform(request.channels.begin(), request.channels.end(), std::back_inserter(channels),
                   [](const channel_declaration& declared) {
                       return feed_channel{declared.name, declared.lines};
                   });
    feed_settings settings;
    settings.stats_interval = reception.stats_interval;
    settings.form = form;
    settings.captured = captured;
    settings.every_destination = request.all_destinations;
    if (request.arbitration_window.count() > 0) {
        settings.arbitration.window_ns =
            static_cast<std::uint64_t>(request.arbitration_window.count());
    }
    return std::make_unique<feed_run>(std::move(channels), std::move(make), settings);
}

int receive_feed(feed_run& run, const feed_request& request, const std::string& local_ip,
                 const reception_settings& reception, datagram_recorder* recorder,
                 figures_publisher* publisher) {
    const std::vector<udp_destination> lines = lines_of(request);
    // Each datagram's receive time drives the arbitration and the race.
    feed_source source(lines, boost::asio::ip::make_address(local_ip).to_v4().to_bytes(),
                       {.receive_buffer = reception.receive_buffer, .receive_times = true});
    if (reception.receive_buffer != 0) {
        run.records().receive_buffer(reception.receive_buffer, source.receive_buffer_granted());
    }
    run.receive(source, recorder, publisher,
                reception.receive_buffer != 0 ? source.receive_buffer_granted() : 0);
    run.summarise();
    return 0;
}

int read_feed_capture(feed_run& run, capture::capture_reader& reader, const feed_request& request,
                      datagram_recorder* recorder, bool log_on_standard_output,
                      figures_publisher* publisher) {
    const std::vector<udp_destination> lines = lines_of(request);
    capture::feed_capture_source source(reader, lines, request.all_destinations);
    capture::feed_progress_source shown(source,
                                        capture::capture_progress(reader, log_on_standard_output));
    run.receive(shown, recorder, publisher);
    records::writer& records = run.records();
    if (source.fragments() + source.cut() != 0) {
        records.capture_frames_skipped(reader.name(), source.fragments(), source.cut());
        run.set_errors();
    }
    if (source.beyond_limit() != 0) {
        records.destinations_beyond_limit(source.beyond_limit(),
                                          capture::feed_capture_source::most_lines);
        run.set_errors();
    }
    if (!source.damage().empty()) {
        records.capture_damaged(source.damage());
        run.set_errors();
    }
    run.summarise();
    return source.damage().empty() ? 0 : 1;
}

}  // namespace tarn
