// Arbitrary datagrams through the receive loop, its framing and sequence
// check, into one of the five processors, then the summary, with records as
// text or as JSON (which must parse).
//
// Input: one byte that picks the processor (its value modulo 5), the form
// (JSON when the value divided by 5 is odd) and whether interval statistics
// run (when the value divided by 10 is odd), then datagrams framed as
// datagram_framing.hpp describes. With statistics the datagrams arrive 7 ms
// apart and the interval is 10 ms, so intervals close, silent stretches
// included, and every message's hostile timestamp is a latency.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "datagram_framing.hpp"
#include "datagram_queue.hpp"
#include "json_checking_sink.hpp"
#include "processing/interval_statistics.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"
#include "processing/records.hpp"
#include "processor_pick.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto processor = tarn::fuzz::pick_processor(data[0]);
    constexpr unsigned processor_choices = 5;
    const auto form = (data[0] / processor_choices) % 2 == 1 ? tarn::records::form::json
                                                             : tarn::records::form::text;
    tarn::fuzz::use_json_checking_sink(form);
    processor->records_.use_form(form);
    // The smallest interval the command line accepts, so progress records
    // show up within a fuzz input.
    constexpr std::uint64_t smallest_every = 10;
    processor->set_every(smallest_every);

    const bool with_statistics = (data[0] / (2 * processor_choices)) % 2 == 1;
    constexpr std::uint64_t apart_ns = 7'000'000;
    std::optional<tarn::interval_statistics> statistics;
    if (with_statistics) {
        statistics.emplace(std::chrono::milliseconds(10), processor->records_);
    }

    tarn::testing::datagram_queue source;
    std::uint64_t time_ns = 1;
    for (const auto datagram : tarn::fuzz::split_datagrams(data + 1, size - 1)) {
        source.add(datagram, with_statistics ? time_ns : 0);
        time_ns += apart_ns * (datagram.size() % 3 + 1);
    }
    // The queue throws when it runs dry; an empty datagram ends the run the
    // way the socket would, so any exception that escapes is a finding.
    source.add({});
    tarn::receive_loop(*processor, source, statistics ? &*statistics : nullptr);
    processor->print_summary();
    if (statistics) {
        statistics->log_run();
    }
    return 0;
}
