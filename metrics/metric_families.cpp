#include "metrics/metric_families.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>

namespace tarn::metrics {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

constexpr double nanoseconds_per_second = 1e9;

// A family of numbers of channels or of lines, as listed.
template <class Of>
struct numbers {
    const char* name;
    const char* help;
    MetricType type;
    std::uint64_t Of::*member;
};

// A sample labelled `labels` with `value`, the counter's or the gauge's by `type`.
ClientMetric sample(std::vector<ClientMetric::Label> labels, MetricType type, double value) {
    ClientMetric metric;
    metric.label = std::move(labels);
    (type == MetricType::Counter ? metric.counter.value : metric.gauge.value) = value;
    return metric;
}

// One sample per channel; none for a channel whose `value` is unknown.
template <class Value>
MetricFamily per_channel(const published_figures& figures, const char* name, const char* help,
                         MetricType type, Value value) {
    MetricFamily family{name, help, type, {}};
    for (const published_channel& channel : figures.channels) {
        if (const std::optional<double> number = value(channel)) {
            family.metric.push_back(sample({{"channel", channel.name}}, type, *number));
        }
    }
    return family;
}

// One sample per line of each channel; none for a receive buffer of 0 (unknown).
MetricFamily per_line(const published_figures& figures, const numbers<published_line>& what) {
    MetricFamily family{what.name, what.help, what.type, {}};
    for (const published_channel& channel : figures.channels) {
        for (const published_line& line : channel.lines) {
            const std::uint64_t number = line.*what.member;
            if (what.type == MetricType::Gauge && number == 0) {
                continue;
            }
            family.metric.push_back(sample({{"channel", channel.name}, {"line", line.name}},
                                           what.type, static_cast<double>(number)));
        }
    }
    return family;
}

MetricFamily latency_family(const published_figures& figures) {
    MetricFamily family{"md_dump_latency_seconds",
                        "Receive time of each message minus the timestamp in its header",
                        MetricType::Histogram,
                        {}};
    for (const published_channel& channel : figures.channels) {
        ClientMetric metric;
        metric.label = {{"channel", channel.name}};
        ClientMetric::Histogram& histogram = metric.histogram;
        histogram.sample_count = channel.latency.count();
        histogram.sample_sum = channel.latency.sum_ns() / nanoseconds_per_second;
        // The buckets of md_dump_latency_seconds, then +Inf.
        for (std::size_t i = 0; i < latency_bounds_ns.size(); ++i) {
            histogram.bucket.push_back(
                {channel.latency.at_most(i),
                 static_cast<double>(latency_bounds_ns[i]) / nanoseconds_per_second});
        }
        histogram.bucket.push_back(
            {channel.latency.count(), std::numeric_limits<double>::infinity()});
        family.metric.push_back(std::move(metric));
    }
    return family;
}

constexpr auto counter = MetricType::Counter;
constexpr auto gauge = MetricType::Gauge;

const numbers<published_channel> channel_numbers[] = {
    {"md_dump_messages_total", "Messages the sequence check counted, heartbeats aside", counter,
     &published_channel::messages},
    {"md_dump_messages_lost_total", "Sequence numbers skipped by gaps", counter,
     &published_channel::lost},
    {"md_dump_gaps_total", "Sequence gaps", counter, &published_channel::gaps},
    {"md_dump_resends_total", "Messages with a sequence number below the one expected", counter,
     &published_channel::resends},
    {"md_dump_unknown_messages_total", "Messages of a type without a layout (--full-dump)", counter,
     &published_channel::unknown_messages},
    {"md_dump_short_messages_total",
     "Messages shorter than a header, or than their type's layout (--full-dump)", counter,
     &published_channel::short_messages},
    {"md_dump_peak_messages_per_millisecond",
     "Most messages in one 1 ms window of the last interval closed (--stats-interval)", gauge,
     &published_channel::peak_messages_per_ms},
    {"md_dump_peak_bytes_per_millisecond",
     "Most bytes in one 1 ms window of the last interval closed (--stats-interval)", gauge,
     &published_channel::peak_bytes_per_ms},
};

const numbers<published_line> line_numbers[] = {
    {"md_dump_datagrams_total", "Datagrams received", counter, &published_line::datagrams},
    {"md_dump_received_bytes_total", "Bytes of the datagrams received, as sent", counter,
     &published_line::bytes},
    {"md_dump_datagrams_cut_total",
     "Datagrams longer than the receive buffer had room for, cut there", counter,
     &published_line::datagrams_cut},
    {"md_dump_socket_drops_total", "Datagrams the kernel dropped for the socket, its buffer full",
     counter, &published_line::socket_drops},
    {"md_dump_missed_messages_total",
     "Messages the line skipped that another line of the channel delivered", counter,
     &published_line::missed},
    {"md_dump_duplicate_messages_total",
     "Messages the line delivered after another line of the channel had", counter,
     &published_line::duplicates},
    {"md_dump_receive_buffer_bytes", "The socket receive buffer the kernel granted the line", gauge,
     &published_line::receive_buffer_bytes},
};

}  // namespace

std::vector<MetricFamily> metric_families(const published_figures& figures,
                                          const build_identity& build) {
    std::vector<MetricFamily> families;
    families.push_back(
        {"md_dump_build_info",
         "The version and revision of md_dump, as --version prints them",
         gauge,
         {sample({{"revision", build.revision}, {"version", build.version}}, gauge, 1)}});
    std::ranges::transform(
        channel_numbers, std::back_inserter(families), [&](const numbers<published_channel>& what) {
            return per_channel(figures, what.name, what.help, what.type,
                               [&](const published_channel& channel) -> std::optional<double> {
                                   return static_cast<double>(channel.*what.member);
                               });
        });
    families.push_back(per_channel(figures, "md_dump_last_sequence_number",
                                   "The sequence number of the latest message", gauge,
                                   [](const published_channel& channel) -> std::optional<double> {
                                       if (!channel.has_sequence) {
                                           return std::nullopt;
                                       }
                                       return channel.last_seq_num;
                                   }));
    families.push_back(per_channel(figures, "md_dump_last_message_timestamp_seconds",
                                   "Receive time of the latest datagram, since 1970 (UTC)", gauge,
                                   [](const published_channel& channel) -> std::optional<double> {
                                       if (channel.last_message_time_ns == 0) {
                                           return std::nullopt;
                                       }
                                       return static_cast<double>(channel.last_message_time_ns) /
                                              nanoseconds_per_second;
                                   }));
    families.push_back(latency_family(figures));
    std::ranges::transform(
        line_numbers, std::back_inserter(families),
        [&](const numbers<published_line>& what) { return per_line(figures, what); });
    return families;
}

}  // namespace tarn::metrics
