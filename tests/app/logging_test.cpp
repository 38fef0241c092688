#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/logging.hpp"
#include "app/version.hpp"
#include "log_lines.hpp"
#include "process.hpp"
#include "processing/logger.hpp"

namespace tarn {
namespace {

using testing::message_of;
using testing::split_lines;

class Logging : public ::testing::Test {
  protected:
    void TearDown() override {
        get_logger().reset();
        std::filesystem::remove(path_);
    }
    std::string path_ = (std::filesystem::temp_directory_path() /
                         ("md_dump_logging_" + std::to_string(::getpid()) + ".log"))
                            .string();
};

TEST_F(Logging, StartRecordPatternAndAppend) {
    {
        std::ofstream existing(path_);
        existing << "an earlier line\n";
    }
    set_up_logger(path_);
    const std::vector<const char*> argv = {"./dumper",          "--port",    "5000",
                                           "--multicast-group", "239.1.1.1", "--local-ip",
                                           "10.0.0.1",          ""};
    log_start_record(static_cast<int>(argv.size()), argv.data());
    get_logger()->warn("second");

    // Flushed after every record: the file holds both lines without a flush.
    const std::vector<std::string> lines = split_lines(testing::read_file(path_));
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], "an earlier line");
    EXPECT_EQ(message_of(lines[1]), "[I] Start ./dumper 2.1.1 " + std::string(revision_id) +
                                        " --port 5000 --multicast-group 239.1.1.1 --local-ip "
                                        "10.0.0.1 ");
    EXPECT_EQ(message_of(lines[2]), "[W] second");
}

TEST_F(Logging, StartRecordWithoutFurtherArguments) {
    set_up_logger(path_);
    const std::vector<const char*> argv = {"md_dump"};
    log_start_record(1, argv.data());
    const std::vector<std::string> lines = split_lines(testing::read_file(path_));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(message_of(lines[0]), "[I] Start md_dump 2.1.1 " + std::string(revision_id));
}

// Records longer than a formatting buffer on the stack, between short ones:
// the sinks reuse one buffer, and each record must still stand alone.
void log_long_and_short_records() {
    get_logger()->info("{}", std::string(700, 'a'));
    get_logger()->info("short");
    get_logger()->error("{}", std::string(300, 'b'));
}

void expect_long_and_short_records(const std::vector<std::string>& lines) {
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(message_of(lines[0]), "[I] " + std::string(700, 'a'));
    EXPECT_EQ(message_of(lines[1]), "[I] short");
    EXPECT_EQ(message_of(lines[2]), "[E] " + std::string(300, 'b'));
}

TEST_F(Logging, LongRecordsToFileStandAlone) {
    set_up_logger(path_);
    log_long_and_short_records();
    expect_long_and_short_records(split_lines(testing::read_file(path_)));
}

TEST_F(Logging, LongRecordsToStandardOutputStandAlone) {
    ::testing::internal::CaptureStdout();
    set_up_logger("");
    log_long_and_short_records();
    // Flushed after every record: nothing waits in the stream's buffer.
    const std::string written = ::testing::internal::GetCapturedStdout();
    expect_long_and_short_records(split_lines(written));
}

TEST_F(Logging, UnopenableFileThrows) {
    EXPECT_THROW(set_up_logger("/dev/null/md_dump.log"), std::exception);
}

}  // namespace
}  // namespace tarn
