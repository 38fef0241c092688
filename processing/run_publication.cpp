#include "processing/run_publication.hpp"

#include <array>

#include "processing/system_time.hpp"

namespace tarn {

void fill_channel_figures(published_channel& channel, const md::processor& processor,
                          const interval_statistics* statistics) noexcept {
    channel.messages = processor.received_;
    channel.lost = processor.lost_;
    channel.gaps = processor.gaps_;
    channel.resends = processor.anomalies_.resends;
    channel.unknown_messages = processor.anomalies_.unknown_messages;
    channel.short_messages = processor.anomalies_.short_messages;
    channel.has_sequence = processor.expected_seq_num_ != 0;
    channel.last_seq_num = processor.expected_seq_num_ - 1;
    if (statistics != nullptr) {
        channel.peak_messages_per_ms = statistics->last_peak_messages();
        channel.peak_bytes_per_ms = statistics->last_peak_bytes();
    }
}

void fill_line_figures(published_line& line, const line_counters& counted,
                       std::uint64_t socket_drops) noexcept {
    line.datagrams = counted.datagrams;
    line.bytes = counted.bytes;
    line.datagrams_cut = counted.datagrams_cut;
    line.socket_drops = socket_drops;
}

run_publication::run_publication(figures_publisher& publisher, const udp_destination& destination,
                                 std::uint64_t receive_buffer_bytes)
    : publisher_(publisher), destination_(&destination) {
    published_channel& channel = figures_.channels.emplace_back();
    channel.name.reserve(destination_text_room);
    published_line& line = channel.lines.emplace_back();
    line.name = "A";
    line.receive_buffer_bytes = receive_buffer_bytes;
}

void run_publication::attach(const md::processor& processor, datagram_source& source,
                             const message_framer& framer,
                             const interval_statistics* statistics) noexcept {
    processor_ = &processor;
    source_ = &source;
    framer_ = &framer;
    statistics_ = statistics;
}

void run_publication::on_idle(std::uint64_t time_ns) {
    now_ns_ = time_ns != 0 ? time_ns : system_time_ns();
    if (now_ns_ >= next_ns_) {
        publish();
    }
}

void run_publication::finish() { publish(); }

void run_publication::publish() {
    published_channel& channel = figures_.channels.front();
    // GROUP:PORT, written over the name's reserved room.
    std::array<char, destination_text_room> name{};
    channel.name.assign(name.data(), write_text(name.data(), *destination_));
    fill_channel_figures(channel, *processor_, statistics_);
    fill_line_figures(channel.lines.front(), framer_->counts(), source_->dropped());
    publisher_.publish(figures_);
    next_ns_ = now_ns_ + static_cast<std::uint64_t>(publisher_.period().count());
}

}  // namespace tarn
