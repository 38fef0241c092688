#include "capture/capture_run.hpp"

#include <optional>

#include "processing/interval_statistics.hpp"
#include "processing/receive_loop.hpp"
#include "processing/records.hpp"

namespace tarn::capture {

int read_capture(md::processor& processor, capture_reader& reader,
                 const destination_selection& selection, datagram_recorder* recorder,
                 std::chrono::nanoseconds stats_interval) {
    std::optional<interval_statistics> statistics;
    if (stats_interval.count() > 0) {
        statistics.emplace(stats_interval);
    }
    interval_statistics* const intervals = statistics ? &*statistics : nullptr;
    std::uint64_t fragments = 0;
    std::uint64_t cut = 0;
    std::string damage;
    {
        capture_source source(reader, selection);
        if (recorder != nullptr) {
            recording_source recorded(source, *recorder, source.destination());
            receive_loop(processor, recorded, intervals);
        } else {
            receive_loop(processor, source, intervals);
        }
        fragments = source.fragments();
        cut = source.cut();
        damage = source.damage();
    }
    if (fragments + cut != 0) {
        records::capture_frames_skipped(reader.name(), fragments, cut);
        processor.errors_ = true;
    }
    if (!damage.empty()) {
        records::capture_damaged(damage);
        processor.errors_ = true;
    }
    processor.print_summary();
    if (statistics) {
        statistics->log_run();
    }
    return damage.empty() ? 0 : 1;
}

}  // namespace tarn::capture
