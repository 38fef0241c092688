#include "processing/line_arbiter.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tarn {

namespace {

// True when more than `limit` has passed from `since` to `now`; a time
// that goes back passes nothing.
bool longer_than(std::uint64_t now, std::uint64_t since, std::uint64_t limit) noexcept {
    return now > since && now - since > limit;
}

std::uint32_t checked_slots(std::uint32_t slots) {
    // Held numbers must stay well within half the serial range.
    constexpr std::uint32_t most = std::uint32_t{1} << 30U;
    if (slots < 2 || slots > most || !std::has_single_bit(slots)) {
        throw std::invalid_argument("the arbiter's slots must be a power of two from 2 to 2^30");
    }
    return slots;
}

}  // namespace

line_arbiter::line_arbiter(const arbiter_config& config)
    : config_(config),
      mask_(checked_slots(config.slots) - 1),
      slots_(config.slots),
      arena_(config.arena_bytes) {}

void line_arbiter::duplicate(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns) {
    ++lines_[line].figures.duplicates;
    slot& s = slot_of(seq_num);
    if (!holds(s, seq_num) || s.state == slot_state::lost || s.raced || s.first_line == line) {
        return;
    }
    s.raced = true;
    // B's time minus A's, in two's complement so either order is right.
    const std::uint64_t b_minus_a =
        line == index(line_id::b) ? time_ns - s.time_ns : s.time_ns - time_ns;
    race_.record(static_cast<std::int64_t>(b_minus_a));
}

void line_arbiter::offer_slowly(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns,
                                md::byte_view message, arbiter_sink& sink) {
    line_state& own = lines_[line];
    own.last_time_ns = time_ns;
    ++own.figures.copies;
    if (own.silent) {
        own.silent = false;
        sink.line_back(static_cast<line_id>(line));
    }
    if (!check_line(line, seq_num, sink)) {
        ++own.figures.duplicates;
        return;
    }
    if (!started_) {
        started_ = true;
        next_ = seq_num;
        decided_before_run_ = channel_.delivered + channel_.lost;
        // A line that never carried a copy is silent from here on.
        for (line_state& l : lines_) {
            if (!l.started) {
                l.last_time_ns = time_ns;
            }
        }
    }
    const std::uint32_t ahead = seq_num - next_;
    if (ahead >= half_range) {
        duplicate(line, seq_num, time_ns);
        return;
    }
    if (ahead == 0) {
        deliver_now(line, seq_num, time_ns, message, sink);
        release(sink);
    } else {
        hold(line, seq_num, time_ns, message, sink);
    }
    settle(sink);
}

bool line_arbiter::check_line(unsigned line, std::uint32_t seq_num, arbiter_sink& sink) {
    line_state& own = lines_[line];
    if (!own.started) {
        own.started = true;
        own.run = run_;
        own.expected = seq_num + 1;
        return true;
    }
    // A 0 restarts the line, as it restarts the single-line check; the
    // 0 after 4294967295 is in sequence.
    if (seq_num == 0 && own.expected != 0) {
        own.expected = 1;
        if (own.run == run_) {
            restart(line, sink);
        } else {
            own.run = run_;
        }
        return true;
    }
    const std::uint32_t ahead = seq_num - own.expected;
    if (ahead >= half_range) {
        ++own.figures.resends;
        sink.resend(static_cast<line_id>(line), seq_num, own.expected);
    } else {
        if (ahead != 0 && own.run == run_) {
            count_skipped(line, own.expected, seq_num);
        }
        own.expected = seq_num + 1;
    }
    return own.run == run_;
}

void line_arbiter::count_skipped(unsigned line, std::uint32_t from, std::uint32_t to) {
    if (!started_ || !before(from, next_)) {
        return;  // every skipped number is still to come
    }
    // Only numbers this run has decided can be misses.
    const std::uint64_t decided = channel_.delivered + channel_.lost - decided_before_run_;
    if (next_ - from > decided) {
        from = next_ - static_cast<std::uint32_t>(decided);
    }
    const std::uint32_t end = before(to, next_) ? to : next_;
    if (!before(from, end)) {
        return;
    }
    line_figures& figures = lines_[line].figures;
    // Numbers older than the slots, or whose slot a held number took,
    // count as delivered.
    std::uint32_t checked = from;
    if (end - from > config_.slots) {
        checked = end - config_.slots;
        figures.missed += checked - from;
    }
    for (std::uint32_t n = checked; n != end; ++n) {
        const slot& s = slot_of(n);
        if (!holds(s, n) || (s.state == slot_state::delivered && s.first_line != line)) {
            ++figures.missed;
        }
    }
}

void line_arbiter::hold(unsigned line, std::uint32_t seq_num, std::uint64_t time_ns,
                        md::byte_view message, arbiter_sink& sink) {
    if (const slot& s = slot_of(seq_num); holds(s, seq_num) && s.state == slot_state::held) {
        duplicate(line, seq_num, time_ns);
        return;
    }
    std::uint32_t offset = 0;
    for (;;) {
        if (seq_num - next_ < config_.slots &&
            message.size() <= std::numeric_limits<std::uint16_t>::max()) {
            if (const auto taken = arena_.take(message.size())) {
                offset = *taken;
                break;
            }
        }
        // The store is full: the oldest hole goes, up to the copy's own
        // number at most, until the copy fits or is next.
        const bool held_before = held_ > 0 && before(first_held_, seq_num);
        lose_until(held_before ? first_held_ : seq_num, loss_cause::store_full, sink);
        if (next_ == seq_num) {
            deliver_now(line, seq_num, time_ns, message, sink);
            release(sink);
            return;
        }
    }
    if (message.size() != 0) {
        std::memcpy(arena_.at(offset), message.data(), message.size());
    }
    slot& s = slot_of(seq_num);
    s.time_ns = time_ns;
    s.seq_num = seq_num;
    s.run = run_;
    s.offset = offset;
    s.length = static_cast<std::uint16_t>(message.size());
    s.state = slot_state::held;
    s.first_line = static_cast<std::uint8_t>(line);
    s.raced = false;
    if (held_ == 0) {
        first_held_ = seq_num;
        last_held_ = seq_num;
        hole_since_ns_ = time_ns;
    } else if (before(seq_num, first_held_)) {
        first_held_ = seq_num;
    } else if (before(last_held_, seq_num)) {
        last_held_ = seq_num;
    }
    ++held_;
}

void line_arbiter::lose_until(std::uint32_t end, loss_cause cause, arbiter_sink& sink) {
    const std::uint32_t count = end - next_;
    sink.lost(next_, count, cause);
    channel_.lost += count;
    ++channel_.gaps;
    if (cause == loss_cause::store_full) {
        ++channel_.store_full;
    }
    // So that a late copy is no race sample and a line skipping them no
    // miss; only the last `slots` numbers have a slot.
    for (std::uint32_t n = count > config_.slots ? end - config_.slots : next_; n != end; ++n) {
        slot& s = slot_of(n);
        s.seq_num = n;
        s.run = run_;
        s.state = slot_state::lost;
    }
    next_ = end;
    release(sink);
}

void line_arbiter::release(arbiter_sink& sink) {
    while (held_ > 0) {
        slot& s = slot_of(next_);
        if (!holds(s, next_) || s.state != slot_state::held) {
            break;
        }
        sink.deliver(static_cast<line_id>(s.first_line), next_,
                     md::byte_view(arena_.at(s.offset), s.length));
        arena_.give_back(s.offset);
        s.state = slot_state::delivered;
        --held_;
        ++lines_[s.first_line].figures.first;
        ++channel_.delivered;
        if (!s.raced) {  // else the other line's copy came while it was held
            count_miss_of_other(s.first_line, next_);
        }
        ++next_;
    }
    if (held_ == 0) {
        return;
    }
    // N is a hole again. It has waited since the oldest held copy came:
    // every held number lies above it.
    bool found = false;
    for (std::uint32_t n = next_ + 1;; ++n) {
        const slot& s = slot_of(n);
        if (holds(s, n) && s.state == slot_state::held) {
            if (!found) {
                first_held_ = n;
                hole_since_ns_ = s.time_ns;
                found = true;
            }
            hole_since_ns_ = std::min(hole_since_ns_, s.time_ns);
        }
        if (n == last_held_) {
            break;
        }
    }
}

void line_arbiter::settle(arbiter_sink& sink) {
    while (held_ > 0) {
        std::uint32_t end = first_held_;
        for (const line_state& l : lines_) {
            if (l.silent) {
                continue;  // holes do not wait for a silent line
            }
            if (!in_run(l) || !before(next_, l.expected)) {
                return;
            }
            if (before(l.expected, end)) {
                end = l.expected;
            }
        }
        lose_until(end, loss_cause::both_lines, sink);
    }
}

void line_arbiter::flush(arbiter_sink& sink) {
    while (held_ > 0) {
        lose_until(first_held_, loss_cause::run_end, sink);
    }
}

void line_arbiter::restart(unsigned line, arbiter_sink& sink) {
    flush(sink);
    arena_.clear();
    ++run_;
    ++channel_.restarts;
    started_ = false;
    lines_[line].run = run_;
    sink.restart(static_cast<line_id>(line));
}

void line_arbiter::advance(std::uint64_t time_ns, arbiter_sink& sink) {
    if (!started_) {
        return;
    }
    for (unsigned line = 0; line < lines_.size(); ++line) {
        line_state& quiet = lines_[line];
        const line_state& other = lines_[line ^ 1U];
        if (!quiet.silent && other.started &&
            longer_than(time_ns, quiet.last_time_ns, config_.silence_ns) &&
            !longer_than(time_ns, other.last_time_ns, config_.silence_ns)) {
            quiet.silent = true;
            ++quiet.figures.silences;
            sink.line_silent(static_cast<line_id>(line));
        }
    }
    settle(sink);
    while (held_ > 0 && longer_than(time_ns, hole_since_ns_, config_.window_ns)) {
        lose_until(first_held_, loss_cause::window, sink);
    }
}

void line_arbiter::finish(arbiter_sink& sink) { flush(sink); }

}  // namespace tarn
