// Two hostile, interleaved line streams through a channel's arbitration, with
// a small store so that holes, full stores, silences and restarts all come
// up, checking what the arbiter promises: each number delivered at most once
// and in serial order, losses contiguous with deliveries, the bytes delivered
// exactly those offered, and figures that agree with the events.
//
// Input: 5 bytes of set-up, then 4 bytes per step.
//   0: slots, 2 << (value % 7)         1: arena bytes, value * 8
//   2: window, value * 250 ns          3: silence limit, (value % 64 + 1) µs
//   4: the lines' first number, near the wrap at 2^32 when odd
//   step 0: bit 0 the line; bits 1 to 3: 0 to 5 a copy, 6 a copy of 0,
//           7 only time passing
//   step 1: the number's step from the line's last one, signed
//   step 2: time's step, signed, times 100 ns
//   step 3: the message's length beyond its first 4 bytes
// A message holds its step's index in its first 4 bytes, then bytes made
// from that index, so a delivery shows which copy it came from.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "processing/line_arbiter.hpp"

namespace {

using tarn::line_id;

[[noreturn]] void finding() { std::abort(); }
void check(bool holds) {
    if (!holds) {
        finding();
    }
}

struct offered {
    std::uint32_t seq_num;
    std::uint16_t length;
    std::uint8_t line;
    bool delivered;
};

std::uint8_t filler(std::uint32_t step, std::size_t at) {
    return static_cast<std::uint8_t>(step * 131U + at * 7U);
}

class checking_sink final : public tarn::arbiter_sink {
  public:
    explicit checking_sink(std::vector<offered>& offers) : offers_(offers) {}

    std::array<std::uint64_t, 2> delivered{};
    std::array<std::uint64_t, 2> resends{};
    std::array<std::uint64_t, 2> silences{};
    std::array<bool, 2> silent{};
    std::uint64_t lost_numbers = 0;
    std::uint64_t gaps = 0;
    std::uint64_t restarts = 0;

    void deliver(line_id from, std::uint32_t seq_num, tarn::md::byte_view message) override {
        check(!has_next_ || seq_num == next_);
        has_next_ = true;
        next_ = seq_num + 1;
        check(message.size() >= 4);
        std::uint32_t step = 0;
        std::memcpy(&step, message.data(), sizeof step);
        check(step < offers_.size());
        offered& copy = offers_[step];
        check(!copy.delivered && copy.seq_num == seq_num && copy.length == message.size() &&
              copy.line == static_cast<std::uint8_t>(from));
        for (std::size_t at = 4; at < message.size(); ++at) {
            check(static_cast<std::uint8_t>(message.data()[at]) == filler(step, at));
        }
        copy.delivered = true;
        ++delivered[static_cast<unsigned>(from)];
    }
    void lost(std::uint32_t first, std::uint32_t count, tarn::loss_cause) override {
        check(has_next_ && first == next_ && count > 0);
        next_ = first + count;
        lost_numbers += count;
        ++gaps;
    }
    void resend(line_id on, std::uint32_t seq_num, std::uint32_t expected) override {
        check(seq_num != expected);
        ++resends[static_cast<unsigned>(on)];
    }
    void line_silent(line_id line) override {
        check(!silent[static_cast<unsigned>(line)]);
        silent[static_cast<unsigned>(line)] = true;
        ++silences[static_cast<unsigned>(line)];
    }
    void line_back(line_id line) override {
        check(silent[static_cast<unsigned>(line)]);
        silent[static_cast<unsigned>(line)] = false;
    }
    void restart(line_id) override {
        has_next_ = false;
        ++restarts;
    }

  private:
    std::vector<offered>& offers_;
    std::uint32_t next_ = 0;
    bool has_next_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t setup = 5;
    constexpr std::size_t step_size = 4;
    if (size < setup) {
        return 0;
    }
    tarn::arbiter_config config;
    config.slots = 2U << (data[0] % 7U);
    config.arena_bytes = data[1] * 8U;
    config.window_ns = data[2] * 250U;
    config.silence_ns = (data[3] % 64U + 1) * 1000U;
    const std::uint32_t start = data[4] % 2 == 1 ? 0xFFFF'FFF0U : 1;
    tarn::line_arbiter arbiter(config);

    const std::size_t steps = (size - setup) / step_size;
    std::vector<offered> offers(steps);
    checking_sink sink(offers);
    std::array<std::uint32_t, 2> last{start - 1, start - 1};
    std::array<std::uint64_t, 2> copies{};
    std::uint64_t time_ns = 1'000'000'000;
    std::vector<char> message;
    for (std::size_t step = 0; step < steps; ++step) {
        const std::uint8_t* at = data + setup + step * step_size;
        const unsigned line = at[0] & 1U;
        const unsigned kind = (at[0] >> 1U) & 7U;
        time_ns += static_cast<std::uint64_t>(
            static_cast<std::int64_t>(static_cast<std::int8_t>(at[2])) * 100);
        arbiter.advance(time_ns, sink);
        if (kind == 7) {
            continue;
        }
        const std::uint32_t seq_num =
            kind == 6 ? 0
                      : last[line] + static_cast<std::uint32_t>(static_cast<std::int8_t>(at[1]));
        last[line] = seq_num;
        message.resize(4 + at[3]);
        const auto index = static_cast<std::uint32_t>(step);
        std::memcpy(message.data(), &index, sizeof index);
        for (std::size_t i = 4; i < message.size(); ++i) {
            message[i] = static_cast<char>(filler(index, i));
        }
        offers[step] = {seq_num, static_cast<std::uint16_t>(message.size()),
                        static_cast<std::uint8_t>(line), false};
        ++copies[line];
        arbiter.offer(static_cast<line_id>(line), seq_num, time_ns,
                      tarn::md::byte_view(message.data(), message.size()), sink);
        check(arbiter.held() < config.slots);
        // The offered bytes may change at once: a held copy is the arbiter's own.
        std::memset(message.data(), 0xA5, message.size());
    }
    arbiter.finish(sink);

    check(arbiter.held() == 0);
    const tarn::channel_figures& channel = arbiter.channel();
    check(channel.delivered == sink.delivered[0] + sink.delivered[1]);
    check(channel.lost == sink.lost_numbers && channel.gaps == sink.gaps);
    check(channel.store_full <= channel.gaps && channel.restarts == sink.restarts);
    std::uint64_t duplicates = 0;
    for (unsigned line = 0; line < 2; ++line) {
        const tarn::line_figures& figures = arbiter.figures_of(static_cast<line_id>(line));
        check(figures.copies == copies[line]);
        check(figures.first == sink.delivered[line]);
        check(figures.copies == figures.first + figures.duplicates);
        check(figures.resends == sink.resends[line] && figures.silences == sink.silences[line]);
        check(figures.missed <=
              arbiter.figures_of(static_cast<line_id>(line ^ 1U)).first + channel.lost);
        duplicates += figures.duplicates;
    }
    check(arbiter.race().count() <= duplicates);
    return 0;
}
