#pragma once

#include <cstdint>

namespace tarn::bench {

// The number of heap allocations made by this process so far. The benchmark
// binary replaces the global operator new to count them, so a benchmark can
// show that a path allocates nothing per message.
std::uint64_t allocation_count() noexcept;

}  // namespace tarn::bench
