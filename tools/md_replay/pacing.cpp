#include "pacing.hpp"

namespace tarn::replay {

std::chrono::nanoseconds due_after(const pacing& pace, std::uint64_t index,
                                   std::uint64_t since_first_ns) {
    switch (pace.how) {
        case pacing::mode::capture:
            return std::chrono::nanoseconds(
                static_cast<std::int64_t>(static_cast<double>(since_first_ns) / pace.speed));
        case pacing::mode::rate:
            return std::chrono::nanoseconds(
                static_cast<std::int64_t>(static_cast<double>(index) * 1e9 / pace.rate));
        case pacing::mode::fast:
            break;
    }
    return std::chrono::nanoseconds(0);
}

}  // namespace tarn::replay
