#include "processing/latency_histogram.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

namespace tarn {

namespace {

constexpr unsigned sub_bits = latency_histogram::sub_bucket_bits;
constexpr std::uint64_t sub_count = std::uint64_t{1} << sub_bits;

}  // namespace

std::size_t latency_histogram::bucket_of(std::uint64_t magnitude) noexcept {
    if (magnitude < sub_count) {
        return magnitude;
    }
    const auto octave = static_cast<unsigned>(std::bit_width(magnitude)) - 1;
    const std::uint64_t sub = (magnitude >> (octave - sub_bits)) & (sub_count - 1);
    return ((octave - sub_bits + 1) << sub_bits) + sub;
}

std::uint64_t latency_histogram::middle_of(std::size_t bucket) noexcept {
    if (bucket < sub_count) {
        return bucket;
    }
    const unsigned octave = static_cast<unsigned>(bucket >> sub_bits) + sub_bits - 1;
    const std::uint64_t width = std::uint64_t{1} << (octave - sub_bits);
    const std::uint64_t low = (sub_count + (bucket & (sub_count - 1))) * width;
    return low + width / 2;
}

void latency_histogram::record(std::int64_t latency, std::uint64_t times) noexcept {
    if (latency >= 0) {
        at_or_above_zero_[bucket_of(static_cast<std::uint64_t>(latency))] += times;
    } else {
        below_zero_[bucket_of(std::uint64_t{0} - static_cast<std::uint64_t>(latency))] += times;
    }
    count_ += times;
    min_ = std::min(min_, latency);
    max_ = std::max(max_, latency);
}

void latency_histogram::add(const latency_histogram& other) noexcept {
    for (std::size_t i = 0; i < bucket_count; ++i) {
        at_or_above_zero_[i] += other.at_or_above_zero_[i];
        below_zero_[i] += other.below_zero_[i];
    }
    count_ += other.count_;
    min_ = std::min(min_, other.min_);
    max_ = std::max(max_, other.max_);
}

void latency_histogram::clear() noexcept { *this = latency_histogram(); }

std::int64_t latency_histogram::percentile(double fraction) const noexcept {
    if (count_ == 0) {
        return 0;
    }
    // The rank of the wanted latency, 1 to count, in ascending order: the
    // negative ones first, largest magnitude first.
    const auto rank = std::clamp<std::uint64_t>(
        static_cast<std::uint64_t>(std::ceil(fraction * static_cast<double>(count_))), 1, count_);
    // A bucket's middle, kept within the latencies recorded: magnitudes up
    // to 2^63 go through unsigned arithmetic.
    const auto negative = [&](std::size_t bucket) {
        const std::uint64_t most = std::uint64_t{0} - static_cast<std::uint64_t>(min_);
        return std::min(
            static_cast<std::int64_t>(std::uint64_t{0} - std::min(middle_of(bucket), most)), max_);
    };
    const auto positive = [&](std::size_t bucket) {
        const auto most = static_cast<std::uint64_t>(max_);
        return std::max(static_cast<std::int64_t>(std::min(middle_of(bucket), most)), min_);
    };
    std::uint64_t seen = 0;
    for (std::size_t i = bucket_count; i-- > 0;) {
        seen += below_zero_[i];
        if (seen >= rank) {
            return negative(i);
        }
    }
    for (std::size_t i = 0; i < bucket_count; ++i) {
        seen += at_or_above_zero_[i];
        if (seen >= rank) {
            return positive(i);
        }
    }
    return max_;
}

std::uint64_t latency_histogram::count_below_bucket_of(std::int64_t bound) const noexcept {
    if (bound < 0) {
        const std::size_t limit = bucket_of(std::uint64_t{0} - static_cast<std::uint64_t>(bound));
        return std::accumulate(below_zero_.begin() + static_cast<std::ptrdiff_t>(limit) + 1,
                               below_zero_.end(), std::uint64_t{0});
    }
    const std::size_t limit = bucket_of(static_cast<std::uint64_t>(bound));
    return std::accumulate(below_zero_.begin(), below_zero_.end(), std::uint64_t{0}) +
           std::accumulate(at_or_above_zero_.begin(),
                           at_or_above_zero_.begin() + static_cast<std::ptrdiff_t>(limit),
                           std::uint64_t{0});
}

double latency_histogram::approximate_sum() const noexcept {
    double sum = 0;
    for (std::size_t i = 0; i < bucket_count; ++i) {
        const auto middle = static_cast<double>(middle_of(i));
        sum += middle * static_cast<double>(at_or_above_zero_[i]);
        sum -= middle * static_cast<double>(below_zero_[i]);
    }
    return sum;
}

}  // namespace tarn
