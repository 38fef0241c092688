#include "bench/bench_support.hpp"

#include <spdlog/details/null_mutex.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/logging.hpp"
#include "app/record_formatter.hpp"
#include "bench/allocation_count.hpp"
#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "processing/logger.hpp"

namespace tarn::bench {

std::vector<printable> printables_of(const std::vector<std::string_view>& messages) {
    std::vector<printable> result;
    result.reserve(messages.size());
    for (const std::string_view message : messages) {
        const md::byte_view bytes(message.data(), message.size());
        result.push_back({bytes, md::find_layout(bytes.load<md::MsgType>(md::msg_type_offset))});
    }
    return result;
}

namespace {

// Formats every record with the logger's pattern into one kept buffer and
// drops it: the per-record cost of spdlog without the write.
class pattern_only_sink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
  protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        formatted_.clear();
        formatter_->format(message, formatted_);
        benchmark::DoNotOptimize(formatted_.data());
    }
    void flush_() override {}

  private:
    spdlog::memory_buf_t formatted_;
};

}  // namespace

std::optional<datagram> memory_source::next() {
    if (next_ == session_.datagram_count()) {
        return datagram{};
    }
    const std::string_view bytes = session_.datagram(next_++);
    const std::size_t size = std::min(buffer_.size(), bytes.size());
    std::memcpy(buffer_.data(), bytes.data(), size);
    return datagram{.bytes = std::span<const char>(buffer_.data(), size),
                    .wire_size = bytes.size()};
}

const session& bench_session(datagram_shape shape) {
    constexpr std::size_t messages = 20'000;
    static const session packed(messages, datagram_shape::packed);
    static const session single(messages, datagram_shape::single);
    return shape == datagram_shape::packed ? packed : single;
}

void loop_over_session(benchmark::State& state, md::processor& processor, const session& feed) {
    memory_source source(feed);
    receive_loop(processor, source);
    const allocation_meter allocations;
    for ([[maybe_unused]] const auto& _ : state) {
        source.rewind();
        processor.expected_seq_num_ = 0;  // the session starts over at 1
        receive_loop(processor, source);
    }
    report_per_message(state, static_cast<double>(feed.message_count()), allocations.counted());
}

const char* name_of(log_target target) {
    switch (target) {
        case log_target::discard:
            return "discard";
        case log_target::pattern:
            return "pattern";
        case log_target::file:
            return "file";
    }
    return "?";
}

bench_logger::bench_logger(log_target target, records::form form) {
    if (target == log_target::file) {
        file_ = std::filesystem::temp_directory_path() / "md_bench.log";
        std::filesystem::remove(file_);
        set_up_logger(file_.string(), form);  // exactly the logger of a run with --log
        return;
    }
    std::shared_ptr<spdlog::sinks::sink> sink;
    if (target == log_target::pattern) {
        sink = std::make_shared<pattern_only_sink>();
    } else {
        sink = std::make_shared<spdlog::sinks::null_sink_st>();
    }
    auto logger = std::make_shared<spdlog::logger>(logger_name, std::move(sink));
    if (form == records::form::json) {
        logger->set_pattern(json_log_pattern, spdlog::pattern_time_type::local);
    } else {
        logger->set_formatter(std::make_unique<record_formatter>());  // as a run formats records
    }
    get_logger() = std::move(logger);
}

bench_logger::~bench_logger() {
    get_logger().reset();
    spdlog::drop(logger_name);  // the registry holds the file logger too
    if (!file_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(file_, ignored);
    }
}

allocation_meter::allocation_meter() : start_(allocation_count()) {}

std::uint64_t allocation_meter::counted() const noexcept { return allocation_count() - start_; }

void report_per_message(benchmark::State& state, double messages_per_iteration,
                        std::uint64_t allocations) {
    const double messages = messages_per_iteration * static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<std::int64_t>(messages));
    // Seconds of CPU time per message; shown with an SI prefix ("152n").
    state.counters["time_per_msg"] =
        benchmark::Counter(messages, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_msg"] =
        messages > 0 ? static_cast<double>(allocations) / messages : 0.0;
}

}  // namespace tarn::bench
