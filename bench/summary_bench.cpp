// The run summary of a full dump and the digit-grouped counts it is made of.

#include <benchmark/benchmark.h>
#include <spdlog/common.h>

#include <cstdint>

#include "bench/bench_support.hpp"
#include "bench/session.hpp"
#include "processing/grouped_count.hpp"
#include "processing/md_processors.hpp"

namespace tarn::bench {

namespace {

void grouped_count_text(benchmark::State& state) {
    spdlog::memory_buf_t text;
    std::uint64_t count = 1'234'567;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        text.clear();
        spdlog::fmt_lib::format_to(std::back_inserter(text), "{} messages received so far",
                                   grouped_count{count});
        benchmark::DoNotOptimize(text.data());
        count += 10'000;
    }
    report_per_message(state, 1, allocations.counted());
}
BENCHMARK(grouped_count_text);

// The summary after a full dump with gaps: errors, received, lost and one row
// per type of the realistic mix. A summary is once per run: its time matters
// little, it is here to show nothing in it is unexpectedly slow.
void full_summary(benchmark::State& state) {
    const bench_logger logger(log_target::pattern);
    md::full_display_processor processor;
    processor.errors_ = true;
    processor.received_ = 123'456'789;
    processor.lost_ = 1'234;
    for (const mix_entry& entry : realistic_mix()) {
        processor.counts_[entry.type] = entry.per_thousand * 123'457ULL;
    }
    for ([[maybe_unused]] const auto& _ : state) {
        processor.print_summary();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(full_summary);

}  // namespace

}  // namespace tarn::bench
