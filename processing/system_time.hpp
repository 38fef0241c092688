#pragma once

#include <cstdint>
#include <ctime>

namespace tarn {

// A time of the system clock as nanoseconds since the epoch.
inline std::uint64_t nanoseconds_of(const timespec& time) {
    constexpr std::uint64_t per_second = 1'000'000'000;
    return static_cast<std::uint64_t>(time.tv_sec) * per_second +
           static_cast<std::uint64_t>(time.tv_nsec);
}

// The system clock now, in nanoseconds since the epoch.
inline std::uint64_t system_time_ns() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds_of(now);
}

}  // namespace tarn
