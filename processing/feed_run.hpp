#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "processing/datagram_recorder.hpp"
#include "processing/feed_datagram_source.hpp"
#include "processing/line_arbiter.hpp"
#include "processing/md_processors.hpp"
#include "processing/published_figures.hpp"
#include "processing/records.hpp"

namespace tarn {

// A channel of a feed: its name and its lines, A and, when it has one, B.
struct feed_channel {
    std::string name;
    std::vector<udp_destination> lines;
};

struct feed_settings {
    std::chrono::nanoseconds stats_interval{0};  // 0: no interval statistics
    arbiter_config arbitration;                  // of each channel with two lines
    records::form form = records::form::text;
    // The datagrams were captured earlier: records carry their capture time.
    bool captured = false;
    // Every destination of a capture is a channel: lines come that were
    // not declared, and the run goes on to the end of the input.
    bool every_destination = false;
    // The most channels a run takes, with those it finds as it goes.
    std::size_t most_channels = 1024;
};

// One run over the lines of several channels, live from a feed's sockets or
// offline from a capture, in one thread:
//
//   source.next() -> its line's framer -> the channel's arbiter, or the
//   sequence check of a channel with one line -> the channel's processor
//   -> its record writer, whose records name the channel and the line
//
// Each line is framed by itself, so a message never spans datagrams of two
// lines, and has its own cut datagrams and socket drops. Each channel has its
// own processor (its counts, summary and end of session) and, with two
// lines, an arbiter that hands each sequence number on once, from the line
// that delivered it first. A channel ends at its own end of the session, from
// either line, or when every line of it has sent an empty datagram; the run
// ends when every channel has ended, at the end of the input, or on a stop
// signal. A length of 0 or one the buffer cannot hold does not end a line, as
// it ends a run of one: it is reported, and the line's framing starts again
// at its next datagram, so a day's watch survives a datagram lost in the
// middle of a message.
//
// Time is the datagrams' (the arbitration window, the intervals): every
// millisecond of it, and at every wake-up of a live source, each channel's
// arbiter and statistics learn the time, so holes expire and intervals close
// on a silent channel too. A hole so waits at most a millisecond beyond the
// window, and no datagram pays for a look at the arbiter's clock.
class feed_run {
  public:
    // Makes the processor of one channel, with its options applied.
    using processor_maker = std::function<std::unique_ptr<md::processor>()>;

    // The lines of the channels in order (A, then B of each) are the source's
    // lines 0, 1, ...
    feed_run(std::vector<feed_channel> channels, processor_maker make,
             const feed_settings& settings);
    ~feed_run();
    feed_run(const feed_run&) = delete;
    feed_run& operator=(const feed_run&) = delete;
    feed_run(feed_run&&) = delete;
    feed_run& operator=(feed_run&&) = delete;

    // Feeds the channels to the end of reception, each datagram also to the
    // recorder when there is one. A line beyond the declared ones (a capture
    // taken whole) becomes a channel of its own, named by its destination,
    // up to the most channels. Exceptions of the source pass through.
    // With a publisher, each channel's figures are published at most every
    // period of datagram time, and once more at the end; `receive_buffer`
    // is what each line's socket was granted (0: unknown).
    void receive(feed_datagram_source& source, datagram_recorder* recorder = nullptr,
                 figures_publisher* publisher = nullptr, std::uint64_t receive_buffer = 0);
    // A block for each channel, then the totals; with interval statistics,
    // each channel's whole-run figures.
    void summarise();

    // The records of the run that belong to no channel.
    records::writer& records() noexcept { return records_; }
    // Something went wrong in a channel, or was reported through records().
    void set_errors() noexcept { errors_ = true; }

  private:
    class channel;
    struct line;

    void add_channel(feed_channel declared);
    // The datagram's line, adding a channel for a new one; null when it is
    // beyond the most channels or has ended.
    line* line_of(const datagram& received, const feed_datagram_source& source);
    void on_datagram(const datagram& received, line& on);
    // Datagram time has reached `time_ns`: every channel's arbiter and
    // statistics learn it.
    void tick(std::uint64_t time_ns);
    void end_line(line& ended);
    void finish(feed_datagram_source& source);
    // Every channel's figures now, to the publisher.
    void publish(std::uint64_t time_ns);

    feed_settings settings_;
    processor_maker make_;
    records::writer records_;
    std::vector<std::unique_ptr<channel>> channels_;
    std::vector<std::unique_ptr<line>> lines_;
    feed_datagram_source* source_ = nullptr;
    std::size_t channels_open_ = 0;
    std::uint64_t beyond_limit_ = 0;  // datagrams of lines beyond the most channels
    std::uint64_t next_tick_ns_ = 0;
    bool errors_ = false;
    figures_publisher* publisher_ = nullptr;
    published_figures published_;  // built as channels are added; filled in to publish
    std::uint64_t receive_buffer_ = 0;
    std::uint64_t next_publish_ns_ = 0;
};

}  // namespace tarn
