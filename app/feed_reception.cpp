#include "app/feed_reception.hpp"

#include <boost/asio/ip/address.hpp>

#include <vector>

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
    for (const channel_declaration& declared : request.channels) {
        channels.push_back({declared.name, declared.lines});
    }
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
                 const reception_settings& reception, datagram_recorder* recorder) {
    const std::vector<udp_destination> lines = lines_of(request);
    // Each datagram's receive time drives the arbitration and the race.
    feed_source source(lines, boost::asio::ip::make_address(local_ip).to_v4().to_bytes(),
                       {.receive_buffer = reception.receive_buffer, .receive_times = true});
    if (reception.receive_buffer != 0) {
        run.records().receive_buffer(reception.receive_buffer, source.receive_buffer_granted());
    }
    run.receive(source, recorder);
    run.summarise();
    return 0;
}

}  // namespace tarn
