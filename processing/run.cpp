#include "processing/run.hpp"

#include "processing/receive_loop.hpp"
#include "processing/run_publication.hpp"

namespace tarn {

namespace {

// Hands on what another source gives; while a datagram is handled, records
// carry its time, and once the input has ended the clock's again.
class captured_time_source final : public forwarding_source {
  public:
    captured_time_source(datagram_source& from, records::writer& records)
        : forwarding_source(from), records_(records) {}

    std::optional<datagram> next() override {
        std::optional<datagram> received = from().next();
        records_.set_time(received ? std::optional(received->time_ns) : std::nullopt);
        return received;
    }

  private:
    records::writer& records_;
};

}  // namespace

run::run(md::processor& processor, std::chrono::nanoseconds stats_interval)
    : processor_(processor) {
    if (stats_interval.count() > 0) {
        statistics_.emplace(stats_interval, processor.records_);
    }
}

void run::receive(datagram_source& source, const run_input& input) {
    datagram_source* from = &source;
    std::optional<recording_source> recorded;
    if (input.recorder != nullptr) {
        recorded.emplace(*from, *input.recorder, *input.destination);
        from = &*recorded;
    }
    std::optional<captured_time_source> timed;
    if (input.captured) {
        timed.emplace(*from, processor_.records_);
        from = &*timed;
    }
    std::optional<run_publication> publication;
    if (input.publisher != nullptr) {
        publication.emplace(*input.publisher, *input.destination, input.receive_buffer_bytes);
    }
    receive_loop(processor_, *from, statistics_ ? &*statistics_ : nullptr,
                 publication ? &*publication : nullptr);
    processor_.records_.set_time(std::nullopt);
}

void run::summarise() {
    processor_.print_summary();
    if (statistics_) {
        statistics_->log_run();
    }
}

}  // namespace tarn
