#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "md/header.hpp"
#include "processing/datagram_source.hpp"
#include "processing/interval_statistics.hpp"
#include "processing/line_arbiter.hpp"
#include "processing/md_processors.hpp"
#include "processing/run_counters.hpp"

namespace tarn {

// Cuts a stream of datagrams into messages by their `length` and hands each
// to the processor: in place where a message lies within one datagram, from
// the carry buffer where it spans two or more. The carry buffer holds
// receive_buffer_size bytes, so no message can be longer, and a datagram is
// cut at the room the carried bytes leave.
class message_framer {
  public:
    explicit message_framer(md::processor& processor, interval_statistics* statistics = nullptr);

    // Bytes of the next datagram the buffer has room for.
    std::size_t room() const noexcept { return carry_buffer_.size() - carried_; }

    // Frames the kept bytes of one datagram (at most room()). False once
    // reception has ended: a length of 0, a length the buffer cannot hold, or
    // the processor has finished.
    bool frame(std::span<const char> bytes);

    // Forgets an incomplete message carried over: after a datagram that was
    // cut, the next one is framed from its own first byte.
    void drop_incomplete() noexcept { carried_ = 0; }
    // The timestamp in the header of the first message that the next
    // datagram, `bytes`, completes or begins: from the bytes carried over,
    // then from the datagram's. None where they do not reach that far, or
    // where that message's length is below a header.
    std::optional<std::uint64_t> first_timestamp(std::span<const char> bytes) const noexcept;

    // What the line brought in: the receive loop counts each datagram here.
    line_counters& counts() noexcept { return counts_; }
    const line_counters& counts() const noexcept { return counts_; }

    // One line of a channel whose two lines are arbitrated: from now on each
    // message but a heartbeat goes to the arbiter, which hands it to the
    // sink (and so to the processor) once, in sequence order, instead of
    // through the sequence check. Both must outlive the framer.
    void arbitrate(line_arbiter& arbiter, arbiter_sink& sink, line_id line) noexcept {
        arbiter_ = &arbiter;
        sink_ = &sink;
        line_ = line;
    }
    // The receive time of the datagram being framed, for the arbiter.
    void set_time(std::uint64_t time_ns) noexcept { time_ns_ = time_ns; }

  private:
    // Completes the carried message from the front of `bytes`; `used` grows
    // by what it took.
    bool complete_carried(std::span<const char> bytes, std::size_t& used);
    // The messages from `at` to `end`; false once reception has ended.
    // Calls says how the processor's operations are called.
    template <class Calls>
    bool frame_messages(const char*& at, const char* end);
    // One complete message of `length` bytes, nothing of it read beyond
    // them; false once the processor has finished.
    template <class Calls>
    bool handle(const char* message, std::size_t length);
    // False when `length` ends reception.
    bool acceptable(std::size_t length);
    // A length below the header: a warning, and the message is skipped.
    void skip_short(std::size_t length);

    md::processor& processor_;
    interval_statistics* statistics_;
    // The processor is exactly a seq_check_processor: its operations are
    // called directly, so they become part of the loop's own path.
    bool checks_sequence_only_;
    line_arbiter* arbiter_ = nullptr;
    arbiter_sink* sink_ = nullptr;
    line_id line_ = line_id::a;
    std::uint64_t time_ns_ = 0;
    std::array<char, receive_buffer_size> carry_buffer_{};
    std::size_t carried_ = 0;
    line_counters counts_;
};

class run_publication;
// A datagram longer than the `room` the framer has for it: a warning, its
// complete messages are handled and the incomplete end is dropped.
bool frame_cut(message_framer& framer, md::processor& processor, const datagram& received,
               std::size_t room);

// Frames one datagram, cutting it where it is longer than the framer has
// room for. False once reception has ended, as frame() says. Inline: it is
// part of the loop's path for every datagram.
inline bool frame_datagram(message_framer& framer, md::processor& processor,
                           const datagram& received) {
    const std::size_t room = framer.room();
    if (received.wire_size > room || received.bytes.size() > room) [[unlikely]] {
        return frame_cut(framer, processor, received, room);
    }
    return framer.frame(received.bytes);
}

// Reads the source until the processor has finished, a length of 0, an empty
// datagram, a length the buffer cannot hold, the end of the input or a stop
// signal, and frames each datagram; exceptions of the source pass through.
// A datagram longer than the room left for it is cut there: a warning, and
// only its complete messages count. At a normal end the processor learns of
// the source's dropped datagrams, the statistics, when given, close their
// last interval, and the publication, when given, publishes the final figures.
void receive_loop(md::processor& processor, datagram_source& source,
                  interval_statistics* statistics = nullptr,
                  run_publication* publication = nullptr);

// The sequence check of a message out of sequence: the first of a run, a 0,
// a resend or a gap.
void check_sequence_anomaly(md::processor& processor, unsigned int seq_num);

// The sequence check of one message with sequence number `seq_num`.
inline void check_sequence(md::processor& processor, unsigned int seq_num) {
    ++processor.received_;
    if (seq_num == processor.expected_seq_num_) [[likely]] {
        processor.expected_seq_num_ = seq_num + 1;
        return;
    }
    check_sequence_anomaly(processor, seq_num);
}

}  // namespace tarn
