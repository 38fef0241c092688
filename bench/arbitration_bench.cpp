// The arbitration of a channel's two lines against today's single-line
// sequence check, per message copy: the same realistic session on A and B,
// B three copies behind A, without and with small holes on each line that
// the other fills. The difference per copy is what arbitration costs.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/session.hpp"
#include "md/header.hpp"
#include "processing/line_arbiter.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"

namespace tarn::bench {

namespace {

// One message copy as a line carries it: its number counts from 0 within
// the session, its time from the session's start.
struct line_copy {
    line_id line;
    std::uint32_t seq_num;
    std::uint64_t time_ns;
    std::string_view message;
};

constexpr std::uint64_t apart_ns = 1'000;  // a message every microsecond on A
constexpr std::uint32_t b_lag = 3;         // B this many copies behind
constexpr std::uint32_t hole_every = 64;   // with holes, each line misses one number in 64

// The numbered messages of the session on both lines, interleaved as they
// arrive; with holes, A misses the 10th of every 64 numbers and B the 40th.
std::vector<line_copy> two_lines(bool holes) {
    std::vector<std::string_view> numbered;
    for (const std::string_view message : bench_session().messages()) {
        const md::byte_view bytes(message.data(), message.size());
        if (bytes.load<md::MsgType>(md::msg_type_offset) != md::MsgType::Heartbeat) {
            numbered.push_back(message);
        }
    }
    const auto count = static_cast<std::uint32_t>(numbered.size());
    std::vector<line_copy> copies;
    for (std::uint32_t n = 0; n < count + b_lag; ++n) {
        if (n < count && !(holes && n % hole_every == 10)) {
            copies.push_back({line_id::a, n, n * apart_ns, numbered[n]});
        }
        if (const std::uint32_t b = n - b_lag; n >= b_lag && !(holes && b % hole_every == 40)) {
            copies.push_back({line_id::b, b, n * apart_ns + apart_ns / 4, numbered[b]});
        }
    }
    return copies;
}

// What md_dump's sink would be handed, reduced to its bytes.
class counting_sink final : public arbiter_sink {
  public:
    std::uint64_t delivered_bytes = 0;
    std::uint64_t lost_numbers = 0;

    void deliver(line_id, std::uint32_t, md::byte_view message) override {
        delivered_bytes += message.size();
    }
    void lost(std::uint32_t, std::uint32_t count, loss_cause) override { lost_numbers += count; }
    void resend(line_id, std::uint32_t, std::uint32_t) override {}
    void line_silent(line_id) override {}
    void line_back(line_id) override {}
    void restart(line_id) override {}
};

// Each round carries on the numbers and the time of the one before, as one
// long session would.
void arbitration(benchmark::State& state, bool holes) {
    const std::vector<line_copy> copies = two_lines(holes);
    const std::uint32_t span = copies.back().seq_num + 1;
    const std::uint64_t duration_ns = copies.back().time_ns + apart_ns;
    line_arbiter arbiter;
    counting_sink sink;
    std::uint32_t base = 1;
    std::uint64_t start_ns = 0;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        std::uint64_t datagram_ns = 0;
        for (const line_copy& c : copies) {
            const std::uint64_t time_ns = start_ns + c.time_ns;
            // The window is checked once a microsecond, as once a datagram.
            if (time_ns - datagram_ns >= apart_ns) {
                datagram_ns = time_ns;
                arbiter.advance(time_ns, sink);
            }
            arbiter.offer(c.line, base + c.seq_num, time_ns,
                          md::byte_view(c.message.data(), c.message.size()), sink);
        }
        base += span;
        start_ns += duration_ns;
    }
    benchmark::DoNotOptimize(sink.delivered_bytes);
    if (sink.lost_numbers != 0 || arbiter.channel().lost != 0) {
        state.SkipWithError("arbitration lost messages");
    }
    report_per_message(state, static_cast<double>(copies.size()), allocations.counted());
}

// Today's check over one line's copies of the same session.
void sequence_check(benchmark::State& state) {
    const std::vector<line_copy> copies = two_lines(false);
    std::vector<std::uint32_t> numbers;
    for (const line_copy& c : copies) {
        if (c.line == line_id::a) {
            numbers.push_back(c.seq_num);
        }
    }
    md::seq_check_processor processor;
    std::uint32_t base = 1;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        for (const std::uint32_t n : numbers) {
            check_sequence(processor, base + n);
        }
        base += static_cast<std::uint32_t>(numbers.size());
    }
    benchmark::DoNotOptimize(processor.received_);
    if (processor.lost_ != 0) {
        state.SkipWithError("the check lost messages");
    }
    report_per_message(state, static_cast<double>(numbers.size()), allocations.counted());
}

BENCHMARK(sequence_check)->Name("arbitration/single_line_check")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(arbitration, b_behind, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(arbitration, small_holes, true)->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace tarn::bench
