#pragma once

#include <cstdint>
#include <optional>

#include "processing/datagram_recorder.hpp"
#include "processing/datagram_source.hpp"
#include "processing/interval_statistics.hpp"
#include "processing/md_processors.hpp"
#include "processing/published_figures.hpp"
#include "processing/receive_loop.hpp"
#include "processing/system_time.hpp"

namespace tarn {

// A channel's running figures from its processor and, when there are
// interval statistics, its last interval's peaks; and a line's from its
// counters: what every run publishes of them.
void fill_channel_figures(published_channel& channel, const md::processor& processor,
                          const interval_statistics* statistics) noexcept;

void fill_line_figures(published_line& line, const line_counters& counted,
                       std::uint64_t socket_drops) noexcept;

// The figures of a run of one channel on one line ("A"), published through a
// figures_publisher from the run's own thread: when a period of the
// datagrams' time has passed since the last publishing (a live source wakes
// up through silence for it), and once more at the end of reception.
//
// Per datagram it costs a few instructions and nothing per message: the
// latency is taken once a datagram, from its first message, and counted for
// every message the datagram brought. Messages in one datagram were sent
// together; the first one's timestamp is the oldest, so the latency counted
// is at worst a little above theirs.
//
// The figures are built in place once, with their names: publishing fills
// in the numbers and allocates nothing.
class run_publication {
  public:
    // The channel's name is the destination's GROUP:PORT, read at every
    // publishing: a capture's may be settled on as it goes.
    // `receive_buffer_bytes`: the socket's granted size; 0 where unknown.
    run_publication(figures_publisher& publisher, const udp_destination& destination,
                    std::uint64_t receive_buffer_bytes);

    // The run's processor, source, framer and statistics (may be null), read
    // when publishing.
    void attach(const md::processor& processor, datagram_source& source,
                const message_framer& framer, const interval_statistics* statistics) noexcept;

    std::chrono::nanoseconds period() const { return publisher_.period(); }

    // Before the messages of a datagram received at `time_ns` (0: unknown)
    // whose first message has the timestamp `first_sent_ns`, if known:
    // publishes when a period has passed. Inline, as on_framed: they run
    // for every datagram.
    void on_datagram(std::uint64_t time_ns, std::optional<std::uint64_t> first_sent_ns) {
        now_ns_ = time_ns != 0 ? time_ns : system_time_ns();
        if (now_ns_ >= next_ns_) [[unlikely]] {
            publish();
        }
        first_sent_ns_ = first_sent_ns;
        messages_before_ = processor_->received_;
    }
    // After them, whether reception goes on or not.
    void on_framed() noexcept {
        published_channel& channel = figures_.channels.front();
        channel.last_message_time_ns = now_ns_;
        const std::uint64_t messages = processor_->received_ - messages_before_;
        if (first_sent_ns_ && messages != 0) {
            channel.latency.record(static_cast<std::int64_t>(now_ns_ - *first_sent_ns_), messages);
        }
    }
    // A live source woke up without a datagram at `time_ns`.
    void on_idle(std::uint64_t time_ns);
    // At the end of reception.
    void finish();

  private:
    void publish();

    figures_publisher& publisher_;
    const udp_destination* destination_;
    published_figures figures_;
    const md::processor* processor_ = nullptr;
    datagram_source* source_ = nullptr;
    const message_framer* framer_ = nullptr;
    const interval_statistics* statistics_ = nullptr;
    std::uint64_t next_ns_ = 0;                   // the time from which the next publishing is due
    std::uint64_t now_ns_ = 0;                    // of the current datagram
    std::optional<std::uint64_t> first_sent_ns_;  // of the current datagram's first message
    std::uint64_t messages_before_ = 0;           // the processor's count before it
};

}  // namespace tarn
