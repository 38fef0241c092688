#include "session_feed.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tarn::synth {

namespace {

constexpr std::uint64_t microsecond = 1'000;
// Without data for this long, the line carries a heartbeat.
constexpr std::uint64_t heartbeat_interval = 50 * millisecond;
// How many of the latest messages a resend may repeat.
constexpr std::size_t resend_window = 16;
constexpr std::uint16_t protocol_version = 1;

}  // namespace

session_feed::session_feed(random_source& random, const feed_settings& settings, datagram_sink sink)
    : random_(random),
      settings_(settings),
      packer_(random, settings.datagram_size, settings.whole_messages),
      now_(settings.start_ns),
      last_data_ns_(settings.start_ns),
      sink_(std::move(sink)) {
    counts_.first_time_ns = settings.start_ns;
}

std::uint32_t session_feed::stamp(md::message_builder& message) {
    now_ += random_.between(300, 4'000);  // the engine's pace within one event
    const std::uint32_t seq_num = next_seq_num_++;
    message.set("version", protocol_version)
        .set("seqNum", seq_num)
        .set("timestamp", now_)
        .set("sourceTimestamp", now_ - random_.between(2 * microsecond, 30 * microsecond))
        .set("sessionId", settings_.session_id)
        .set("streamId", settings_.stream_id);
    ++counts_.messages;
    return seq_num;
}

std::uint32_t session_feed::send(md::message_builder message) {
    const std::uint32_t seq_num = stamp(message);
    burst_.push_back({now_, std::string(message.view())});
    recent_.push_back(burst_.back().bytes);
    if (recent_.size() > resend_window) {
        recent_.pop_front();
    }
    return seq_num;
}

std::uint32_t session_feed::send_cut(md::message_builder message, std::uint16_t length) {
    if (length < sizeof(md::Header) || length >= message.view().size()) {
        throw std::logic_error("a cut message keeps its header and loses part of its body");
    }
    const std::uint32_t seq_num = stamp(message);
    message.set("length", static_cast<std::uint16_t>(length));
    burst_.push_back({now_, std::string(message.view().substr(0, length))});
    return seq_num;
}

void session_feed::skip_sequence_numbers(std::uint32_t count) {
    next_seq_num_ += count;
    counts_.skipped += count;
}

void session_feed::resend_recent() {
    if (recent_.empty()) {
        throw std::logic_error("nothing sent yet to resend");
    }
    now_ += random_.between(300, 4'000);
    burst_.push_back({now_, recent_[random_.between(0, recent_.size() - 1)]});
    ++counts_.resends;
}

void session_feed::flush() {
    if (burst_.empty()) {
        return;
    }
    packer_.pack(burst_, packed_);
    burst_.clear();
    deliver();
}

void session_feed::deliver() {
    for (const datagram& d : packed_) {
        sink_(d);
        last_data_ns_ = d.time_ns;
        counts_.last_time_ns = d.time_ns;
        ++counts_.datagrams;
    }
    packed_.clear();
}

void session_feed::pause(std::uint64_t quiet_ns) {
    flush();
    const std::uint64_t resume = now_ + quiet_ns;
    while (last_data_ns_ + heartbeat_interval < resume) {
        md::message_builder heartbeat(md::MsgType::Heartbeat, sizeof(md::Header));
        const std::uint64_t at = last_data_ns_ + heartbeat_interval;
        heartbeat.set("version", protocol_version)
            .set("timestamp", at)
            .set("sourceTimestamp", at)
            .set("sessionId", settings_.session_id)
            .set("streamId", settings_.stream_id);
        const stamped_message beat{at, std::string(heartbeat.view())};
        packer_.pack({&beat, 1}, packed_);
        deliver();
        ++counts_.heartbeats;
    }
    now_ = std::max(resume, last_data_ns_);
}

void session_feed::pause() {
    if (random_.one_in(40)) {
        pause(random_.between(60 * millisecond, 240 * millisecond));
    } else {
        pause(random_.between(150 * microsecond, 2'500 * microsecond));
    }
}

void session_feed::finish() {
    flush();
    counts_.split_messages = packer_.split_messages();
    counts_.last_seq_num = last_seq_num();
}

}  // namespace tarn::synth
