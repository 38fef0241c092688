// JSON beside text, and the message filters: the JSON of the mixed session
// and of headers, rendered as the processors render them; a filter's look at
// a message; and the receive loop where a filter drops every message line,
// beside the sequence check alone.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/session.hpp"
#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "md/json_writer.hpp"
#include "md/message_filter.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"
#include "processing/records.hpp"

namespace tarn::bench {

namespace {

const std::vector<printable>& mixed_printables() {
    static const std::vector<printable> messages = printables_of(bench_session().messages());
    return messages;
}

// One message per iteration, cycling through the session, rendered into the
// message text stream behind the member a message record opens with.
template <class Render>
void render_each(benchmark::State& state, Render render) {
    const auto& messages = mixed_printables();
    auto& out = md::message_text();
    std::size_t next = 0;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        const printable& message = messages[next];
        next = next + 1 == messages.size() ? 0 : next + 1;
        out.clear();
        out << R"("event":"message")";
        render(out, message);
        benchmark::DoNotOptimize(out.view().data());
    }
    report_per_message(state, 1, allocations.counted());
}

// Compare with full_text_mixed.
void json_mixed(benchmark::State& state) {
    render_each(state, [](md::text_stream& out, const printable& message) {
        if (message.body == nullptr) {
            md::write_json_header(out, message.bytes);
        } else {
            md::write_json_message(out, *message.body, message.bytes);
        }
    });
}
BENCHMARK(json_mixed);

// Compare with header_text.
void header_json(benchmark::State& state) {
    render_each(state, [](md::text_stream& out, const printable& message) {
        md::write_json_header(out, message.bytes);
    });
}
BENCHMARK(header_json);

// A filter's look at each message of the session, none of which it shows:
// by type (EndOfSnapshot, which the session lacks), by an
// instrument no message carries, by both.
void filter_drop(benchmark::State& state, bool by_type, bool by_instrument) {
    const std::vector<md::MsgType> types = {md::MsgType::EndOfSnapshot};
    const std::vector<std::uint32_t> instruments = {4'000'000'000U};
    const md::message_filter filter(by_type ? types : std::vector<md::MsgType>(),
                                    by_instrument ? instruments : std::vector<std::uint32_t>());
    const auto& messages = mixed_printables();
    std::size_t next = 0;
    std::size_t shown = 0;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        shown += filter.shows(messages[next].bytes) ? 1 : 0;
        next = next + 1 == messages.size() ? 0 : next + 1;
    }
    benchmark::DoNotOptimize(shown);
    report_per_message(state, 1, allocations.counted());
}
BENCHMARK_CAPTURE(filter_drop, type, true, false);
BENCHMARK_CAPTURE(filter_drop, instrument, false, true);
BENCHMARK_CAPTURE(filter_drop, both, true, true);

// The receive loop over the session with a header display whose filter drops
// every message line: compare with seq_check/discard_packed, which writes no
// line either. The difference is the filter's cost on top of the sequence check.
void display_filtered(benchmark::State& state, bool by_type) {
    const bench_logger logger(log_target::discard);
    md::display_processor_with_hb processor;
    const std::vector<md::MsgType> types = {md::MsgType::EndOfSnapshot};
    const std::vector<std::uint32_t> instruments = {4'000'000'000U};
    processor.show_only(by_type ? md::message_filter(types, {})
                                : md::message_filter({}, instruments));
    loop_over_session(state, processor, bench_session());
}
BENCHMARK_CAPTURE(display_filtered, type_discard_packed, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(display_filtered, instrument_discard_packed, false)
    ->Unit(benchmark::kMicrosecond);

// Whole records through the logger's pattern, text against JSON: the full
// display of the session, formatted and dropped.
void full_display_records(benchmark::State& state, records::form form) {
    const bench_logger logger(log_target::pattern, form);
    md::full_display_processor_with_hb processor;
    processor.records_.use_form(form);
    loop_over_session(state, processor, bench_session());
}
BENCHMARK_CAPTURE(full_display_records, text_pattern_packed, records::form::text)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(full_display_records, json_pattern_packed, records::form::json)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace tarn::bench
