#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "datagram_packer.hpp"
#include "md/message_builder.hpp"
#include "random_source.hpp"

namespace tarn::synth {

// Times in the session are nanoseconds since the epoch.
inline constexpr std::uint64_t millisecond = 1'000'000;

struct feed_settings {
    std::uint64_t start_ns = 0;  // the time of the first message
    std::size_t datagram_size = 1400;
    std::uint16_t session_id = 1;
    std::uint8_t stream_id = 1;
    bool whole_messages = false;  // a message is split only when larger than a datagram
};

// What went out, for the generator's report.
struct feed_counts {
    std::uint64_t messages = 0;  // sequenced, resends not included
    std::uint64_t heartbeats = 0;
    std::uint64_t resends = 0;
    std::uint64_t skipped = 0;  // sequence numbers never sent
    std::uint64_t datagrams = 0;
    std::uint64_t split_messages = 0;
    std::uint32_t last_seq_num = 0;
    std::uint64_t first_time_ns = 0;
    std::uint64_t last_time_ns = 0;
};

// The sending side of a session: stamps each message with its sequence
// number and time, groups messages into bursts that go out packed into
// datagrams, and fills long pauses with heartbeats. Sequence numbers run from
// 1 without holes unless holes are asked for; heartbeats carry 0.
class session_feed {
  public:
    // Datagrams go to `sink` in order, as soon as they are complete.
    using datagram_sink = std::function<void(const datagram&)>;

    session_feed(random_source& random, const feed_settings& settings, datagram_sink sink);

    // Stamps the message and adds it to the current burst. Returns its
    // sequence number.
    std::uint32_t send(md::message_builder message);
    // Like send, but only the first `length` bytes go out, with that length
    // in the header: a message shorter than its layout.
    std::uint32_t send_cut(md::message_builder message, std::uint16_t length);

    // The current burst goes out, then the line stays quiet for `quiet_ns`:
    // every heartbeat interval without data brings a heartbeat.
    void pause(std::uint64_t quiet_ns);
    // A pause as between the events of a market: mostly short, now and then
    // an idle stretch long enough for heartbeats.
    void pause();

    // The next `count` sequence numbers are never sent: a gap.
    void skip_sequence_numbers(std::uint32_t count);
    // One of the recently sent messages goes out again as it was: a resend.
    void resend_recent();

    std::uint64_t now() const { return now_; }
    std::uint32_t last_seq_num() const { return next_seq_num_ - 1; }
    const feed_counts& counts() const { return counts_; }

    // Sends what is left.
    void finish();

  private:
    std::uint32_t stamp(md::message_builder& message);
    void flush();
    void deliver();

    random_source& random_;
    feed_settings settings_;
    datagram_packer packer_;
    std::uint64_t now_;
    std::uint32_t next_seq_num_ = 1;
    std::uint64_t last_data_ns_;  // when the line last carried something
    std::vector<stamped_message> burst_;
    std::deque<std::string> recent_;
    datagram_sink sink_;
    std::vector<datagram> packed_;
    feed_counts counts_;
};

}  // namespace tarn::synth
