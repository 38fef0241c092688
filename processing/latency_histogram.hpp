#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace tarn {

// Latencies in nanoseconds, signed (a sender's clock may run ahead of this
// host's), counted in fixed memory: log-linear buckets, exact below 16 ns,
// then 16 to each doubling, so a percentile is at most 1/32 off the latency
// it stands for, from a microsecond to seconds and on to the whole 64-bit
// range. Recording costs a few instructions and never allocates. The minimum
// and maximum are kept exactly.
class latency_histogram {
  public:
    void record(std::int64_t latency) noexcept { record(latency, 1); }
    // `times` latencies of the same value at once.
    void record(std::int64_t latency, std::uint64_t times) noexcept;
    void add(const latency_histogram& other) noexcept;
    void clear() noexcept;

    std::uint64_t count() const noexcept { return count_; }
    std::int64_t max() const noexcept { return max_; }
    std::int64_t min() const noexcept { return min_; }
    // The value below which `fraction` (0 to 1) of the recorded latencies
    // lie, to the bucket's precision; 0 when nothing was recorded.
    std::int64_t percentile(double fraction) const noexcept;
    // The latencies recorded in buckets wholly below the one that holds
    // `bound`, every negative one included: those at most `bound`, except
    // that one within 1/16 below it may be left out (exact below 16 ns).
    std::uint64_t count_below_bucket_of(std::int64_t bound) const noexcept;
    // The sum of the latencies recorded, each taken at its bucket's middle.
    double approximate_sum() const noexcept;

    static constexpr unsigned sub_bucket_bits = 4;
    static constexpr unsigned largest_octave = 63;
    static constexpr std::size_t bucket_count = (largest_octave - sub_bucket_bits + 2)
                                                << sub_bucket_bits;

    // The bucket of a magnitude, and the middle of a bucket's range.
    static std::size_t bucket_of(std::uint64_t magnitude) noexcept;
    static std::uint64_t middle_of(std::size_t bucket) noexcept;

  private:
    std::array<std::uint64_t, bucket_count> at_or_above_zero_{};
    std::array<std::uint64_t, bucket_count> below_zero_{};  // by magnitude
    std::uint64_t count_ = 0;
    std::int64_t min_ = std::numeric_limits<std::int64_t>::max();
    std::int64_t max_ = std::numeric_limits<std::int64_t>::min();
};

}  // namespace tarn
