#pragma once

#include <prometheus/metric_family.h>

#include <array>
#include <string>
#include <vector>

#include "processing/published_figures.hpp"

namespace tarn::metrics {

// What the program is, for md_dump_build_info.
struct build_identity {
    std::string version;
    std::string revision;
};

// The metric families of published figures, as Prometheus names them: the
// prefix md_dump_, counters ending in _total, seconds and bytes; every
// family labelled by channel, the per-line ones by line too.
std::vector<prometheus::MetricFamily> metric_families(const published_figures& figures,
                                                      const build_identity& build);

}  // namespace tarn::metrics
