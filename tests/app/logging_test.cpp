// The log: its file, its start record, long records, and the record
// formatter against spdlog's own pattern formatter (the same bytes).

#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/logging.hpp"
#include "app/record_formatter.hpp"
#include "app/version.hpp"
#include "log_lines.hpp"
#include "process.hpp"
#include "processing/logger.hpp"

namespace tarn {
namespace {

class Logging : public ::testing::Test {
  protected:
    void TearDown() override {
        get_logger().reset();
        std::filesystem::remove(path_);
    }
    // The records of the log file after their prefixes.
    std::vector<std::string> records() const {
        return testing::log_messages(testing::read_file(path_));
    }
    std::string path_ = testing::temporary_file("logging.log");
};

// In a file, appended to what is there, nothing on standard output; or on
// standard output. Every record is flushed at once, so the file holds them
// without a flush and nothing waits in the stream's buffer. Records longer
// than a formatting buffer on the stack, between short ones: the sinks reuse
// one buffer, and each record must still stand alone.
TEST_F(Logging, StartAndLongRecordsInAFileOrOnStandardOutput) {
    std::ofstream(path_) << "2024-01-01 00:00:00.000000000 [I] an earlier line\n";
    const std::vector<const char*> argv = {"./dumper",          "--port",    "5000",
                                           "--multicast-group", "239.1.1.1", "--local-ip",
                                           "10.0.0.1",          ""};
    const std::string start = "[I] Start ./dumper 2.1.1 " + std::string(revision_id);
    const std::vector<std::string> expected = {
        start + " --port 5000 --multicast-group 239.1.1.1 --local-ip 10.0.0.1 ", start,
        "[I] " + std::string(700, 'a'), "[W] short", "[E] " + std::string(300, 'b')};
    records::writer writer;
    for (const bool to_file : {true, false}) {
        ::testing::internal::CaptureStdout();
        set_up_logger(to_file ? path_ : "");
        log_start_record(writer, static_cast<int>(argv.size()), argv.data());
        log_start_record(writer, 1, argv.data());
        get_logger()->info("{}", std::string(700, 'a'));
        get_logger()->warn("short");
        get_logger()->error("{}", std::string(300, 'b'));
        std::vector<std::string> lines =
            testing::log_messages(::testing::internal::GetCapturedStdout());
        if (to_file) {
            EXPECT_TRUE(lines.empty());
            lines = records();
            EXPECT_EQ(lines.at(0), "[I] an earlier line");
            lines.erase(lines.begin());
        }
        EXPECT_EQ(lines, expected);
    }
}

TEST_F(Logging, UnopenableFileThrows) {
    EXPECT_THROW(set_up_logger("/dev/null/md_dump.log"), std::exception);
}

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
