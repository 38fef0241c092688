#include "metrics/latest_figures.hpp"

#include <utility>

namespace tarn::metrics {

latest_figures::latest_figures(build_identity build) : build_(std::move(build)) {}

void latest_figures::publish(const published_figures& figures) {
    const std::lock_guard lock(mutex_);
    latest_ = figures;
}

std::vector<prometheus::MetricFamily> latest_figures::Collect() const {
    published_figures figures;
    {
        const std::lock_guard lock(mutex_);
        figures = latest_;
    }
    return metric_families(figures, build_);
}

}  // namespace tarn::metrics
