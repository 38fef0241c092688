#pragma once

#include <prometheus/collectable.h>

#include <mutex>
#include <vector>

#include "metrics/metric_families.hpp"
#include "processing/published_figures.hpp"

namespace tarn::metrics {

// Keeps the figures a run published last, for the exposer's threads to
// read. Publishing copies them under a lock, into the copy kept from the
// time before: once its vectors and names have their sizes it allocates
// nothing. A scrape copies them out under the same lock and builds the
// metric families from its own copy, so the run's state is never read from
// another thread and the run waits for a copy at most.
class latest_figures final : public figures_publisher, public prometheus::Collectable {
  public:
    explicit latest_figures(build_identity build);

    void publish(const published_figures& figures) override;
    std::vector<prometheus::MetricFamily> Collect() const override;

  private:
    build_identity build_;
    mutable std::mutex mutex_;
    published_figures latest_;  // guarded by mutex_
};

}  // namespace tarn::metrics
