#pragma once

#include <prometheus/metric_family.h>

#include <array>
#include <string>
#include <vector>

#include "processing/published_figures.hpp"

namespace tarn::metrics {

// The upper bounds of md_dump_latency_seconds' buckets, in nanoseconds:
// from 10 us, where a host's own receive path lies, to 1 s, beyond which a
// feed is broken rather than slow; +Inf follows.
inline constexpr std::array<std::int64_t, 16> latency_bounds_ns{
    10'000,      25'000,      50'000,      100'000,      250'000,    500'000,
    1'000'000,   2'500'000,   5'000'000,   10'000'000,   25'000'000, 50'000'000,
    100'000'000, 250'000'000, 500'000'000, 1'000'000'000};

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
