#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "md/byte_view.hpp"
#include "processing/hold_arena.hpp"
#include "processing/latency_histogram.hpp"

namespace tarn {

// The two redundant lines of a channel.
enum class line_id : std::uint8_t { a = 0, b = 1 };

// Why a hole was declared lost.
enum class loss_cause : std::uint8_t {
    both_lines,  // both lines have passed it (or one passed it and the other is silent)
    window,      // it waited longer than the window
    store_full,  // it was the oldest hole and a new copy needed its room
    run_end,     // the run ended: finish(), or a line restarted its numbers
};

// Sizes and times of one channel's arbitration. Memory is fixed when the
// arbiter is made: `slots` entries of 24 bytes and `arena_bytes` bytes.
struct arbiter_config {
    // Sequence numbers held or remembered at once; a power of two. A copy
    // may be held at most `slots - 1` numbers above the arbitrated next one,
    // and the line race pairs copies at most `slots` numbers apart.
    std::uint32_t slots = 4096;
    // Bytes of held messages, 4 of them a held message's own overhead.
    std::uint32_t arena_bytes = 512 * 1024;
    // How long a hole waits for the other line, in datagram time.
    std::uint64_t window_ns = 20'000'000;
    // A line without a copy for longer than this while the other line had
    // one within it is silent.
    std::uint64_t silence_ns = 1'000'000'000;
};

// What the arbiter tells its user, in the order it happens. No event
// allocates; a message view lives only for the call.
class arbiter_sink {
  public:
    virtual ~arbiter_sink() = default;

    // The message `seq_num` from the line that delivered it first: each
    // number once, in sequence order.
    virtual void deliver(line_id from, std::uint32_t seq_num, md::byte_view message) = 0;
    // The `count` numbers from `first` on will not come: the arbitrated next
    // number is now first + count.
    virtual void lost(std::uint32_t first, std::uint32_t count, loss_cause cause) = 0;
    // A number below the line's own next one: a resend on that line, as the
    // single-line check reports it.
    virtual void resend(line_id on, std::uint32_t seq_num, std::uint32_t expected) = 0;
    // The line fell silent while the other carried traffic; once until it
    // carries a copy again, then line_back.
    virtual void line_silent(line_id line) = 0;
    virtual void line_back(line_id line) = 0;
    // A 0 on `line` restarted the channel's numbering: the old run's holes
    // have been declared lost (run_end) and its held messages delivered;
    // the 0 follows as the new run's first delivery.
    virtual void restart(line_id line) = 0;

  protected:
    arbiter_sink() = default;
    arbiter_sink(const arbiter_sink&) = default;
    arbiter_sink& operator=(const arbiter_sink&) = default;
    arbiter_sink(arbiter_sink&&) = default;
    arbiter_sink& operator=(arbiter_sink&&) = default;
};

// Each line's figures. copies = first + duplicates once finish() has run
// (before it, held copies are in neither); resends count copies that are
// also in first or duplicates.
struct line_figures {
    std::uint64_t copies = 0;      // message copies offered
    std::uint64_t first = 0;       // numbers this line delivered first
    std::uint64_t missed = 0;      // numbers it skipped that the other line delivered
    std::uint64_t duplicates = 0;  // copies not delivered: the other line's was first
    std::uint64_t resends = 0;     // numbers below the line's own next
    std::uint64_t silences = 0;    // times it fell silent
};

struct channel_figures {
    std::uint64_t delivered = 0;   // numbers delivered: first of A + first of B
    std::uint64_t lost = 0;        // numbers declared lost
    std::uint64_t gaps = 0;        // holes declared lost
    std::uint64_t store_full = 0;  // of them, because the store was full
    std::uint64_t restarts = 0;    // runs begun by a line's 0
};

// Arbitrates one channel's two lines: each sequence number is delivered
// once, from the line whose copy came first, in sequence order. Numbers are
// 32-bit and compared serially, so they wrap at 2^32. Time is the
// datagram's (receive time live, capture time offline): call advance() with
// each datagram's time before offering its messages, and on idle wake-ups.
//
// Each line keeps its own next number, as the single-line check does: its
// first copy or a 0 starts it, a number below it is a resend, a number above
// it skips numbers. A 0 on a line that had started restarts the channel's
// run, which the other line joins with its own 0; until then the other
// line's copies are duplicates. A line far behind by more than 2^31 looks
// ahead, as serial numbers do.
//
// The channel keeps the arbitrated next number N. A copy below N is a
// duplicate; one at N is delivered, with the held messages that follow it;
// one above N is held in the fixed store until its hole is filled or lost.
class line_arbiter {
  public:
    explicit line_arbiter(const arbiter_config& config = {});

    // One message copy (not a heartbeat) received on line `which` at
    // `time_ns`.
    inline void offer(line_id which, std::uint32_t seq_num, std::uint64_t time_ns,
                      md::byte_view message, arbiter_sink& sink);
    // Datagram time has reached `time_ns`: holes older than the window are
    // lost, a line silent for longer than the silence limit is reported.
    void advance(std::uint64_t time_ns, arbiter_sink& sink);
    // The end of the run: every hole is lost (run_end), every held message
    // delivered.
    void finish(arbiter_sink& sink);

    const line_figures& figures_of(line_id which) const noexcept {
        return lines_[index(which)].figures;
    }
    const channel_figures& channel() const noexcept { return channel_; }
    // The line race: for numbers both lines carried, B's receive time minus
    // A's, in nanoseconds.
    const latency_histogram& race() const noexcept { return race_; }
    // Messages held now.
    std::uint32_t held() const noexcept { return held_; }

  private:
    enum class slot_state : std::uint8_t { empty, held, delivered, lost };

    // What the channel knows of one number: the first copy's line and time,
    // and while held, where its bytes are.
    struct slot {
        std::uint64_t time_ns = 0;
        std::uint32_t seq_num = 0;
        std::uint32_t run = 0;
        std::uint32_t offset = 0;
        std::uint16_t length = 0;
        slot_state state = slot_state::empty;
        std::uint8_t first_line = 0;
        bool raced = false;  // the race has its sample for this number
    };

    struct line_state {
        line_figures figures;
        std::uint64_t last_time_ns = 0;
        std::uint32_t expected = 0;  // the line's own next number
        std::uint32_t run = 0;       // the run it carries
        bool started = false;        // it has carried a copy
        bool silent = false;
    };

    static constexpr std::uint32_t half_range = 0x8000'0000U;

    static unsigned index(line_id which) noexcept { return static_cast<unsigned>(which); }
    // True when serial number `a` comes before `b`.
    static bool before(std::uint32_t a, std::uint32_t b) noexcept {
        return b - a - 1 < half_range - 1;
    }
    bool in_run(const line_state& l) const noexcept { return l.started && l.run == run_; }
    slot& slot_of(std::uint32_t seq_num) noexcept { return slots_[seq_num & mask_]; }
    bool holds(const slot& s, std::uint32_t seq_num) const noexcept {
        return s.seq_num == seq_num && s.run == run_ && s.state != slot_state::empty;
    }

    // Delivers the copy at N, which is not held, and moves N on.
    inline void deliver_now(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns,
                            md::byte_view message, arbiter_sink& sink);
    // A copy below N, or of a held number.
    void duplicate(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns);
    // Every case but a line in sequence with a copy at N and nothing held,
    // or below N.
    void offer_slowly(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns,
                      md::byte_view message, arbiter_sink& sink);
    // The line's own check; false when its copy belongs to no run the
    // channel arbitrates.
    bool check_line(unsigned line, std::uint32_t seq_num, arbiter_sink& sink);
    void hold(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns, md::byte_view message,
              arbiter_sink& sink);
    // True when the copy's number is within the slots and its bytes fit.
    bool fits(std::uint32_t seq_num, std::size_t length) const noexcept;
    // The line skipped the numbers from `from` to `to`: those already
    // delivered by the other line are its misses.
    void count_skipped(unsigned line, std::uint32_t from, std::uint32_t to);
    // The numbers from N up to `end` are lost; then the held messages that
    // follow go out.
    void lose_until(std::uint32_t end, loss_cause cause, arbiter_sink& sink);
    // Delivers the held messages from N on while they follow without a
    // hole, then finds the next hole's first held number and age.
    void release(arbiter_sink& sink);
    // Declares lost the holes at N that both lines have passed.
    void settle(arbiter_sink& sink);
    // Loses every hole and delivers every held message.
    void flush(arbiter_sink& sink);
    // The line's 0 begins a new run.
    void restart(unsigned line, arbiter_sink& sink);
    // The other line's miss when `seq_num`, delivered from `line`, is behind
    // the other line's own next.
    inline void count_miss_of_other(unsigned line, std::uint32_t seq_num) noexcept;
    // Remembers a number delivered at once, for the race and the misses.
    inline void remember(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns) noexcept;

    arbiter_config config_;
    std::uint32_t mask_;
    std::vector<slot> slots_;
    hold_arena arena_;
    std::array<line_state, 2> lines_{};
    channel_figures channel_;
    latency_histogram race_;
    std::uint64_t decided_before_run_ = 0;  // numbers delivered or lost before this run
    std::uint64_t hole_since_ns_ = 0;       // when the oldest hole began to wait
    std::uint32_t next_ = 0;                // N, the arbitrated next number
    std::uint32_t run_ = 0;
    std::uint32_t held_ = 0;
    std::uint32_t first_held_ = 0;  // the lowest held number, while held_ > 0
    std::uint32_t last_held_ = 0;   // the highest held number, while held_ > 0
    bool started_ = false;          // the run has a number
};

inline void line_arbiter::count_miss_of_other(unsigned line, std::uint32_t seq_num) noexcept {
    line_state& other = lines_[line ^ 1U];
    if (before(seq_num, other.expected) && in_run(other)) {
        ++other.figures.missed;
    }
}

inline void line_arbiter::remember(unsigned line, std::uint32_t seq_num,
                                   std::uint64_t time_ns) noexcept {
    slot& s = slot_of(seq_num);
    s.time_ns = time_ns;
    s.seq_num = seq_num;
    s.run = run_;
    s.state = slot_state::delivered;
    s.first_line = static_cast<std::uint8_t>(line);
    s.raced = false;
}

inline void line_arbiter::deliver_now(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns,
                                      md::byte_view message, arbiter_sink& sink) {
    sink.deliver(static_cast<line_id>(line), seq_num, message);
    remember(line, seq_num, time_ns);
    ++lines_[line].figures.first;
    ++channel_.delivered;
    count_miss_of_other(line, seq_num);
    next_ = seq_num + 1;
}

// The common cases inline: a line in sequence whose copy is at N with
// nothing held (the leading line), or below N (the slower line).
inline void line_arbiter::offer(line_id which, std::uint32_t seq_num, std::uint64_t time_ns,
                                md::byte_view message, arbiter_sink& sink) {
    const unsigned line = index(which);
    line_state& own = lines_[line];
    if (seq_num == own.expected && own.run == run_ && own.started && !own.silent) [[likely]] {
        const std::uint32_t ahead = seq_num - next_;
        if (ahead == 0 && held_ == 0) {
            own.expected = seq_num + 1;
            own.last_time_ns = time_ns;
            ++own.figures.copies;
            deliver_now(line, seq_num, time_ns, message, sink);
            return;
        }
        if (ahead >= half_range) {
            own.expected = seq_num + 1;
            own.last_time_ns = time_ns;
            ++own.figures.copies;
            duplicate(line, seq_num, time_ns);
            return;
        }
    }
    offer_slowly(line, seq_num, time_ns, message, sink);
}

}  // namespace tarn
