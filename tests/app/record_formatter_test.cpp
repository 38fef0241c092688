// The record formatter against spdlog's own pattern formatter: the same bytes.

#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/logging.hpp"
#include "app/record_formatter.hpp"

namespace tarn {
namespace {

// Times on both sides of second, day and year boundaries, before 1970 and
// far after, at every level, with empty and long texts, in two time zones
// (one a half hour off UTC). One formatter of each kind for the whole run,
// as a logger holds, so that their caching of the second is tested too.
TEST(RecordFormatter, WritesWhatThePatternWrites) {
    const char* zone = std::getenv("TZ");
    const std::string saved = zone != nullptr ? zone : "";
    const std::string long_text(3000, 'x');
    for (const char* tz : {"UTC0", "IST-5:30"}) {
        setenv("TZ", tz, 1);  // NOLINT(concurrency-mt-unsafe): tests run on one thread
        tzset();              // NOLINT(concurrency-mt-unsafe)
        spdlog::pattern_formatter pattern(log_pattern, spdlog::pattern_time_type::local);
        record_formatter fast;
        for (const long long ns :
             {1'772'438'400'000'011'000LL, 1'772'438'400'999'999'999LL, 1'772'438'401'000'000'000LL,
              1'772'438'401'000'000'000LL, 1'704'067'199'999'999'999LL, 0LL, 1LL, -1LL,
              -1'500'000'000LL, 9'000'000'000'000'000'000LL}) {
            for (const auto level : {spdlog::level::info, spdlog::level::warn, spdlog::level::err,
                                     spdlog::level::critical, spdlog::level::trace}) {
                for (const std::string& text : {std::string(), std::string("a"), long_text}) {
                    spdlog::details::log_msg message("md_dump_logger", level, text);
                    message.time = spdlog::log_clock::time_point(std::chrono::nanoseconds(ns));
                    spdlog::memory_buf_t expected;
                    spdlog::memory_buf_t written;
                    pattern.format(message, expected);
                    fast.format(message, written);
                    ASSERT_EQ(fmt::to_string(written), fmt::to_string(expected)) << tz << " " << ns;
                }
            }
        }
    }
    if (zone != nullptr) {
        setenv("TZ", saved.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
    } else {
        unsetenv("TZ");  // NOLINT(concurrency-mt-unsafe)
    }
    tzset();  // NOLINT(concurrency-mt-unsafe)
}

}  // namespace
}  // namespace tarn
