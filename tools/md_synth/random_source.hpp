#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>

namespace tarn::synth {

// Random choices that depend on the seed only. The engine's sequence is fixed
// by the standard; the distributions of <random> are not (they differ between
// standard libraries), so values are drawn from the raw sequence here.
class random_source {
  public:
    explicit random_source(std::uint64_t seed) : engine_(seed) {}

    // A value from `low` to `high`, both included.
    std::uint64_t between(std::uint64_t low, std::uint64_t high) {
        return low + engine_() % (high - low + 1);
    }
    std::int64_t between_signed(std::int64_t low, std::int64_t high) {
        return low +
               static_cast<std::int64_t>(engine_() % static_cast<std::uint64_t>(high - low + 1));
    }

    // True `percent` times in a hundred.
    bool chance(unsigned percent) { return between(1, 100) <= percent; }

    // True `count` times in `total`.
    bool one_in(std::uint64_t total, std::uint64_t count = 1) { return between(1, total) <= count; }

    template <class T>
    const T& pick(std::span<const T> values) {
        return values[between(0, values.size() - 1)];
    }

  private:
    std::mt19937_64 engine_;
};

}  // namespace tarn::synth
