#include "processing/receive_loop.hpp"

#include <algorithm>
#include <type_traits>
#include <typeinfo>

#include "processing/run_publication.hpp"
#include "processing/stop_request.hpp"

namespace tarn {

namespace {

constexpr std::size_t length_size = sizeof(std::uint16_t);

std::size_t length_at(const char* bytes) {
    return md::byte_view(bytes, length_size).load<std::uint16_t>(md::length_offset);
}

}  // namespace

void check_sequence_anomaly(md::processor& processor, unsigned int seq_num) {
    const unsigned int expected = processor.expected_seq_num_;
    if (expected == 0 || seq_num == 0) {
        processor.expected_seq_num_ = seq_num + 1;
    } else if (seq_num < expected) {
        processor.records_.resend(seq_num, expected);
        ++processor.anomalies_.resends;
        processor.errors_ = true;
    } else {
        const unsigned int gap = seq_num - expected;
        processor.records_.gap(expected, seq_num, gap);
        processor.lost_ += gap;
        ++processor.gaps_;
        processor.errors_ = true;
        processor.expected_seq_num_ = seq_num + 1;
    }
}

namespace {

// How the framer calls the processor: through its virtual table, which
// serves every processor ...
struct virtual_calls {
    static void process(md::processor& p) { p.process(); }
    static void process_heartbeat(md::processor& p) { p.process_heartbeat(); }
    static void check_finished(md::processor& p) { p.check_finished(); }
};

// ... or, for a processor known to be exactly a seq_check_processor,
// directly, so its few instructions join the loop's: only the sequence
// check runs at rates where the loop's own cost shows.
struct sequence_check_calls {
    using type = md::seq_check_processor;
    static void process(md::processor& p) { static_cast<type&>(p).type::process(); }
    static void process_heartbeat(md::processor& p) {
        static_cast<type&>(p).type::process_heartbeat();
    }
    static void check_finished(md::processor& p) { static_cast<type&>(p).type::check_finished(); }
};

// How the framer hands a message of an arbitrated line: to the arbiter, whose
// sink calls the processor; heartbeats still go straight to it.
struct arbitrated_calls : virtual_calls {};

template <class Calls>
constexpr bool arbitrated = std::is_same_v<Calls, arbitrated_calls>;

}  // namespace

message_framer::message_framer(md::processor& processor, interval_statistics* statistics)
    : processor_(processor),
      statistics_(statistics),
      checks_sequence_only_(typeid(processor) == typeid(md::seq_check_processor)) {}

bool message_framer::acceptable(std::size_t length) {
    if (length == 0) {
        return false;
    }
    if (length > carry_buffer_.size()) {
        // It could never complete: end now rather than wait for datagrams
        // that can only fill the carry.
        processor_.records_.length_over_buffer(length, carry_buffer_.size());
        processor_.errors_ = true;
        return false;
    }
    return true;
}

void message_framer::skip_short(std::size_t length) {
    processor_.records_.length_below_header(length, sizeof(md::Header));
    ++processor_.anomalies_.short_messages;
    processor_.errors_ = true;
}

template <class Calls>
bool message_framer::handle(const char* message, std::size_t length) {
    md::processor& processor = processor_;
    const md::byte_view view(message, length);
    if (!view.holds(sizeof(md::Header))) [[unlikely]] {
        skip_short(length);
        return true;
    }
    const auto type = view.load<md::MsgType>(md::msg_type_offset);
    if constexpr (arbitrated<Calls>) {
        if (type != md::MsgType::Heartbeat) {
            // Counted, shown and timed when the arbiter hands it on.
            arbiter_->offer(line_, view.load<std::uint32_t>(md::seq_num_offset), time_ns_, view,
                            *sink_);
            return !processor.finished_;
        }
    }
    processor.set_current(view, type);
    if (statistics_ != nullptr) {
        statistics_->on_message(view.load<std::uint64_t>(offsetof(md::Header, timestamp)));
    }
    if (type == md::MsgType::Heartbeat) {
        Calls::process_heartbeat(processor);
        return true;
    }
    check_sequence(processor, view.load<std::uint32_t>(md::seq_num_offset));
    Calls::process(processor);
    if (processor.finished_) {
        return false;
    }
    Calls::check_finished(processor);
    return !processor.finished_;
}

bool message_framer::complete_carried(std::span<const char> bytes, std::size_t& used) {
    // Moves up to `wanted` more bytes into the carry; gives what it then holds.
    const auto take = [&](std::size_t wanted) {
        const std::size_t taken = std::min(wanted, bytes.size() - used);
        std::copy_n(bytes.data() + used, taken, carry_buffer_.data() + carried_);
        carried_ += taken;
        used += taken;
        return carried_;
    };
    // A single byte left over is never read as a length: it waits for the next.
    if (carried_ < length_size && take(length_size - carried_) < length_size) {
        return true;
    }
    const std::size_t length = length_at(carry_buffer_.data());
    if (!acceptable(length)) {
        return false;
    }
    if (take(length - carried_) < length) {
        return true;  // still incomplete: completed by a later datagram
    }
    carried_ = 0;
    return arbiter_ != nullptr ? handle<arbitrated_calls>(carry_buffer_.data(), length)
                               : handle<virtual_calls>(carry_buffer_.data(), length);
}

template <class Calls>
bool message_framer::frame_messages(const char*& at, const char* const end) {
    while (end - at >= static_cast<std::ptrdiff_t>(length_size)) {
        const std::size_t length = length_at(at);
        // One test for both ends: 0, and above the buffer.
        if (length - 1 >= carry_buffer_.size() && !acceptable(length)) [[unlikely]] {
            return false;
        }
        if (length > static_cast<std::size_t>(end - at)) {
            break;  // incomplete: carried over to the next datagram
        }
        if (!handle<Calls>(at, length)) {
            return false;
        }
        at += length;
    }
    return true;
}

bool message_framer::frame(std::span<const char> bytes) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    if (carried_ != 0) {
        std::size_t used = 0;
        if (!complete_carried(bytes, used)) {
            return false;
        }
        if (carried_ != 0) {
            return true;  // the whole datagram went into the carried message
        }
        at += used;
    }
    const bool going_on = arbiter_ != nullptr     ? frame_messages<arbitrated_calls>(at, end)
                          : checks_sequence_only_ ? frame_messages<sequence_check_calls>(at, end)
                                                  : frame_messages<virtual_calls>(at, end);
    if (!going_on) {
        return false;
    }
    carried_ = static_cast<std::size_t>(end - at);
    std::copy_n(at, carried_, carry_buffer_.data());
    return true;
}

std::optional<std::uint64_t> message_framer::first_timestamp(
    std::span<const char> bytes) const noexcept {
    constexpr std::size_t wanted = offsetof(md::Header, timestamp) + sizeof(std::uint64_t);
    if (carried_ == 0) [[likely]] {
        // The datagram begins with the message: read in place.
        if (bytes.size() < wanted) {
            return std::nullopt;
        }
        const md::byte_view view(bytes.data(), wanted);
        if (view.load<std::uint16_t>(md::length_offset) < sizeof(md::Header)) {
            return std::nullopt;
        }
        return view.load<std::uint64_t>(offsetof(md::Header, timestamp));
    }
    const std::size_t from_carry = std::min(carried_, wanted);
    if (from_carry + bytes.size() < wanted) {
        return std::nullopt;
    }
    std::array<char, wanted> front{};
    std::copy_n(carry_buffer_.data(), from_carry, front.data());
    std::copy_n(bytes.data(), wanted - from_carry, front.data() + from_carry);
    const md::byte_view view(front.data(), front.size());
    if (view.load<std::uint16_t>(md::length_offset) < sizeof(md::Header)) {
        return std::nullopt;
    }
    return view.load<std::uint64_t>(offsetof(md::Header, timestamp));
}

bool frame_cut(message_framer& framer, md::processor& processor, const datagram& received,
               std::size_t room) {
    processor.records_.datagram_cut(std::max(received.wire_size, received.bytes.size()), room);
    processor.errors_ = true;
    ++framer.counts().datagrams_cut;
    const bool going_on = framer.frame(received.bytes.first(std::min(received.bytes.size(), room)));
    framer.drop_incomplete();
    return going_on;
}

namespace {

// Asks the source to wake up through silence as often as the statistics and
// the publication need, the shorter of their periods.
void wake_up_source(datagram_source& source, interval_statistics* statistics,
                    const run_publication* publication) {
    std::chrono::nanoseconds period = std::chrono::nanoseconds::max();
    if (statistics != nullptr) {
        period = statistics->wake_up_period();
    }
    if (publication != nullptr) {
        period = std::min(period, publication->period());
    }
    if (period != std::chrono::nanoseconds::max() && source.wake_up_every(period) &&
        statistics != nullptr) {
        statistics->start_now();
    }
}

void receive_until_the_end(message_framer& framer, md::processor& processor,
                           datagram_source& source, interval_statistics* statistics,
                           run_publication* publication) {
    while (!stop_requested()) {
        const std::optional<datagram> received = source.next();
        if (!received) {
            return;
        }
        if (received->bytes.empty()) {
            if (!received->idle) {
                return;
            }
            if (statistics != nullptr) {
                statistics->on_idle(received->time_ns);
            }
            if (publication != nullptr) {
                publication->on_idle(received->time_ns);
            }
            continue;
        }
        const std::size_t wire_size = std::max(received->wire_size, received->bytes.size());
        if (statistics != nullptr) {
            statistics->on_datagram(received->time_ns, wire_size);
        }
        if (publication != nullptr) [[unlikely]] {
            // Publishes what came before this datagram, every datagram counted whole.
            publication->on_datagram(received->time_ns, framer.first_timestamp(received->bytes));
        }
        line_counters& line = framer.counts();
        ++line.datagrams;
        line.bytes += wire_size;
        if (publication != nullptr) [[unlikely]] {
            const bool going_on = frame_datagram(framer, processor, *received);
            publication->on_framed();
            if (!going_on) {
                return;
            }
        } else if (!frame_datagram(framer, processor, *received)) {
            return;
        }
    }
}

}  // namespace

void receive_loop(md::processor& processor, datagram_source& source,
                  interval_statistics* statistics, run_publication* publication) {
    message_framer framer(processor, statistics);
    if (statistics != nullptr) {
        statistics->attach(processor, source);
    }
    if (publication != nullptr) {
        publication->attach(processor, source, framer, statistics);
    }
    wake_up_source(source, statistics, publication);
    receive_until_the_end(framer, processor, source, statistics, publication);
    processor.socket_drops_ = source.dropped();
    if (processor.socket_drops_ != 0) {
        processor.errors_ = true;
    }
    if (statistics != nullptr) {
        statistics->finish();
    }
    if (publication != nullptr) {
        publication->finish();
    }
}

}  // namespace tarn
