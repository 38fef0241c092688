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

// Appended to what is there; every record flushed at once, so the file holds
// them without a flush.
TEST_F(Logging, StartRecordPatternAndAppend) {
    std::ofstream(path_) << "2024-01-01 00:00:00.000000000 [I] an earlier line\n";
    set_up_logger(path_);
    const std::vector<const char*> argv = {"./dumper",          "--port",    "5000",
                                           "--multicast-group", "239.1.1.1", "--local-ip",
                                           "10.0.0.1",          ""};
    log_start_record(static_cast<int>(argv.size()), argv.data());
    log_start_record(1, argv.data());
    get_logger()->warn("second");
    const std::string start = "[I] Start ./dumper 2.1.1 " + std::string(revision_id);
    EXPECT_EQ(records(),
              (std::vector<std::string>{
                  "[I] an earlier line",
                  start + " --port 5000 --multicast-group 239.1.1.1 --local-ip 10.0.0.1 ", start,
                  "[W] second"}));
}

// Records longer than a formatting buffer on the stack, between short ones:
// the sinks reuse one buffer, and each record must still stand alone, in a
// file and on standard output, where nothing waits in the stream's buffer.
TEST_F(Logging, LongRecordsStandAlone) {
    const std::vector<std::string> expected = {"[I] " + std::string(700, 'a'), "[I] short",
                                               "[E] " + std::string(300, 'b')};
    for (const bool to_file : {true, false}) {
        ::testing::internal::CaptureStdout();
        set_up_logger(to_file ? path_ : "");
        get_logger()->info("{}", std::string(700, 'a'));
        get_logger()->info("short");
        get_logger()->error("{}", std::string(300, 'b'));
        const std::string written = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(to_file ? records() : testing::log_messages(written), expected);
    }
}

TEST_F(Logging, UnopenableFileThrows) {
    EXPECT_THROW(set_up_logger("/dev/null/md_dump.log"), std::exception);
}

}  // namespace
}  // namespace tarn
