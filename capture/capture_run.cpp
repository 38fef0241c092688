#include "capture/capture_run.hpp"

#include "capture/capture_progress.hpp"
#include "processing/run.hpp"

namespace tarn::capture {

int read_capture(md::processor& processor, capture_reader& reader,
                 const destination_selection& selection, datagram_recorder* recorder,
                 std::chrono::nanoseconds stats_interval, bool log_on_standard_output,
                 figures_publisher* publisher) {
    run offline(processor, stats_interval);
    capture_source source(reader, selection);
    progress_source shown(source, capture_progress(reader, log_on_standard_output));
    offline.receive(shown, {.recorder = recorder,
                            .destination = &source.destination(),
                            .captured = true,
                            .publisher = publisher});
    if (source.fragments() + source.cut() != 0) {
        processor.records_.capture_frames_skipped(reader.name(), source.fragments(), source.cut());
        processor.errors_ = true;
    }
    if (!source.damage().empty()) {
        processor.records_.capture_damaged(source.damage());
        processor.errors_ = true;
    }
    offline.summarise();
    return source.damage().empty() ? 0 : 1;
}

}  // namespace tarn::capture
