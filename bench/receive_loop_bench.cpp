// The receive loop with each processor class over a realistic session from
// memory, the records going nowhere, through the pattern, or to a file.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/session.hpp"
#include "md/header.hpp"
#include "md/layout_printer.hpp"
#include "processing/logger.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"

namespace tarn::bench {

namespace {

template <class Processor>
void receive_loop_with(benchmark::State& state, log_target target, datagram_shape shape) {
    const bench_logger logger(target);
    Processor processor;
    loop_over_session(state, processor, bench_session(shape));
    if (processor.lost_ != 0) {
        state.SkipWithError("the session lost messages");
    }
}

// One function per processor class, run for the log targets and datagram
// shapes that tell something: the shape matters where the per-datagram work
// is a large share, that is without records.

void seq_check(benchmark::State& state, log_target target, datagram_shape shape) {
    receive_loop_with<md::seq_check_processor>(state, target, shape);
}
void display(benchmark::State& state, log_target target, datagram_shape shape) {
    receive_loop_with<md::display_processor>(state, target, shape);
}
void display_with_hb(benchmark::State& state, log_target target, datagram_shape shape) {
    receive_loop_with<md::display_processor_with_hb>(state, target, shape);
}
void full_display(benchmark::State& state, log_target target, datagram_shape shape) {
    receive_loop_with<md::full_display_processor>(state, target, shape);
}
void full_display_with_hb(benchmark::State& state, log_target target, datagram_shape shape) {
    receive_loop_with<md::full_display_processor_with_hb>(state, target, shape);
}

constexpr auto discard = log_target::discard;
constexpr auto pattern = log_target::pattern;
constexpr auto file = log_target::file;
constexpr auto packed = datagram_shape::packed;
constexpr auto single = datagram_shape::single;

BENCHMARK_CAPTURE(seq_check, discard_packed, discard, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(seq_check, discard_single, discard, single)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(seq_check, file_packed, file, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(seq_check, file_single, file, single)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display, discard_packed, discard, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display, discard_single, discard, single)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display, pattern_packed, pattern, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display, file_packed, file, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_with_hb, discard_packed, discard, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_with_hb, file_packed, file, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(full_display, discard_packed, discard, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(full_display, pattern_packed, pattern, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(full_display, file_packed, file, packed)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(full_display_with_hb, discard_packed, discard, packed)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(full_display_with_hb, file_packed, file, packed)->Unit(benchmark::kMicrosecond);

// The ceiling of a header display: the same lines as display/file_packed,
// rendered in advance, only written through the same logger. The ratio of
// the two is the share of a record's cost that is md_dump's own.
void write_per_record(benchmark::State& state) {
    const session& feed = bench_session();
    std::vector<std::string> lines;
    for (const std::string_view message : feed.messages()) {
        const md::byte_view bytes(message.data(), message.size());
        if (bytes.load<md::MsgType>(md::msg_type_offset) != md::MsgType::Heartbeat) {
            md::text_stream out;
            md::write_header(out, bytes);
            lines.emplace_back(out.view());
        }
    }
    const bench_logger logger(log_target::file);
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        for (const std::string& line : lines) {
            get_logger()->log(spdlog::level::info, spdlog::string_view_t(line));
        }
    }
    report_per_message(state, static_cast<double>(feed.message_count()), allocations.counted());
}
BENCHMARK(write_per_record)->Name("write_per_record/file_packed")->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace tarn::bench
