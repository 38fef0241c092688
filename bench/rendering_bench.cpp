// Header text and full text of messages, rendered into the message text
// stream as the processors render them, without logging.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/session.hpp"
#include "md/catalogue.hpp"
#include "md/enum_to_description.hpp"
#include "md/header.hpp"
#include "md/layout_printer.hpp"

namespace tarn::bench {

namespace {

// Renders one message per iteration, cycling through `messages`.
void render_all(benchmark::State& state, const std::vector<printable>& messages) {
    auto& out = md::message_text();
    std::size_t next = 0;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        const printable& message = messages[next];
        next = next + 1 == messages.size() ? 0 : next + 1;
        out.clear();
        if (message.body == nullptr) {
            md::write_header(out, message.bytes);
        } else {
            md::write_message(out, *message.body, message.bytes);
        }
        benchmark::DoNotOptimize(out.view().data());
    }
    report_per_message(state, 1, allocations.counted());
}

void header_text(benchmark::State& state) {
    auto& out = md::message_text();
    const auto& messages = bench_session().messages();
    std::size_t next = 0;
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        const md::byte_view message(messages[next].data(), messages[next].size());
        next = next + 1 == messages.size() ? 0 : next + 1;
        out.clear();
        md::write_header(out, message);
        benchmark::DoNotOptimize(out.view().data());
    }
    report_per_message(state, 1, allocations.counted());
}
BENCHMARK(header_text);

void full_text_mixed(benchmark::State& state) {
    static const std::vector<printable> messages = printables_of(bench_session().messages());
    render_all(state, messages);
}
BENCHMARK(full_text_mixed);

// 64 different messages of one type.
void full_text_of_type(benchmark::State& state, md::MsgType type) {
    constexpr std::size_t variants = 64;
    std::vector<md::message_builder> built;
    built.reserve(variants);
    std::vector<std::string_view> messages;
    messages.reserve(variants);
    random_numbers random(static_cast<std::uint64_t>(type));
    for (std::size_t i = 0; i < variants; ++i) {
        built.push_back(sample_message(type, random, static_cast<std::uint32_t>(i + 1),
                                       1'718'010'000'000'000'000 + i * 1'000));
    }
    std::transform(built.begin(), built.end(), std::back_inserter(messages),
                   [](const md::message_builder& message) { return message.view(); });
    render_all(state, printables_of(messages));
}

// A value outside its enumeration's table prints its number as the name:
// the one path that may allocate.
void full_text_unknown_enumeration(benchmark::State& state) {
    random_numbers random(7);
    auto message = sample_message(md::MsgType::OrderAdd, random, 1, 1'718'010'000'000'000'000);
    constexpr std::size_t side_offset = 54;
    message.put<std::uint8_t>(side_offset, 77);
    render_all(state, printables_of({message.view()}));
}
BENCHMARK(full_text_unknown_enumeration);

const bool per_type_registered = [] {
    for (const md::catalogue_entry& entry : md::printable_messages()) {
        const std::string name(md::enum_to_description::instance().describe(entry.type));
        benchmark::RegisterBenchmark(("full_text/" + name).c_str(), full_text_of_type, entry.type);
    }
    return true;
}();

}  // namespace

}  // namespace tarn::bench
