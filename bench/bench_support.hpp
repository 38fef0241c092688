#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "bench/session.hpp"
#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "processing/receive_loop.hpp"
#include "processing/records.hpp"

namespace tarn::bench {

// The datagrams of a session from memory, copied like a receive copies them;
// after the last one an empty datagram ends the receive loop. rewind() starts
// the session over.
class memory_source final : public datagram_source {
  public:
    explicit memory_source(const session& datagrams) : session_(datagrams) {}

    std::optional<datagram> next() override;
    void rewind() noexcept { next_ = 0; }

  private:
    const session& session_;
    std::size_t next_ = 0;
    std::array<char, receive_buffer_size> buffer_{};
};

// A message and the layout it is printed by; null for a heartbeat, which
// shows its header only.
struct printable {
    md::byte_view bytes;
    const md::layout* body;
};

std::vector<printable> printables_of(const std::vector<std::string_view>& messages);

// Where the benchmarked records go.
enum class log_target {
    discard,  // spdlog null sink: records are built but never formatted
    pattern,  // formatted with the real pattern, then dropped
    file,     // the real file logger: pattern, append, flush per record
};

const char* name_of(log_target target);

// Fills the process-wide logger slot for one benchmark, with the pattern of
// records in `form`, and empties it again, removing the log file it wrote.
class bench_logger {
  public:
    explicit bench_logger(log_target target, records::form form = records::form::text);
    ~bench_logger();
    bench_logger(const bench_logger&) = delete;
    bench_logger& operator=(const bench_logger&) = delete;
    bench_logger(bench_logger&&) = delete;
    bench_logger& operator=(bench_logger&&) = delete;

  private:
    std::filesystem::path file_;
};

// Counts allocations over the timed loop of one benchmark.
class allocation_meter {
  public:
    allocation_meter();
    std::uint64_t counted() const noexcept;

  private:
    std::uint64_t start_;
};

// Reports items per second, nanoseconds of CPU time per message and heap
// allocations per message, for `messages_per_iteration` messages each round.
void report_per_message(benchmark::State& state, double messages_per_iteration,
                        std::uint64_t allocations);

// The realistic session of 20'000 messages the benchmarks share, built once
// per shape.
const session& bench_session(datagram_shape shape = datagram_shape::packed);

// The receive loop with `processor` over `feed` from memory: once to warm up
// (the counts have their entries, the day is cached), then once a round,
// reported per message.
void loop_over_session(benchmark::State& state, md::processor& processor, const session& feed);

}  // namespace tarn::bench
