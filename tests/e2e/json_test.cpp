// Whole runs with --json: every line of the log must be a JSON record that
// Python's json module reads, with its time, level and event, in the order
// the text form writes its records; filters leave all but message lines alone.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dump_session.hpp"
#include "messages.hpp"

namespace tarn {
namespace {

using testing::bytes_of;

// Two orders on instrument 7 and one on 8, a heartbeat, a gap, a resend and
// the end of the session; or 25 orders, then an empty datagram.
TEST(JsonRuns, EveryModeAndFilter) {
    md::message_builder other = testing::order_add(2);
    other.put<std::uint32_t>(50, 8);
    const std::vector<std::string> session{
        bytes_of(testing::order_add(1)) + bytes_of(testing::heartbeat()) + bytes_of(other),
        bytes_of(testing::order_add(5)) + bytes_of(testing::order_add(3)),
        bytes_of(testing::end_of_session(6))};
    std::vector<std::string> burst(2);
    for (std::uint32_t seq = 1; seq <= 25; ++seq) {
        burst.front() += bytes_of(testing::order_add(seq));
    }
    const std::string gap = "gap 3 5 2";
    const std::string resend = "resend 3 6";
    const struct {
        std::vector<std::string> options;
        std::vector<std::string> expected;
        const std::vector<std::string>& datagrams;
    } cases[] = {
        {{"--json"},
         {"message \"OrderAdd\" 1 \"header\"", "message \"OrderAdd\" 2 \"header\"", gap,
          "message \"OrderAdd\" 5 \"header\"", resend, "message \"OrderAdd\" 3 \"header\"",
          "message \"TradingSessionStatus\" 6 \"header\"", "summary true 5 2 {}"},
         session},
        // By name and code, by instrument (which no heartbeat has), both together.
        {{"--full-dump", "--hb", "--json", "--only-type", "OrderAdd,1", "--only-instrument", "7"},
         {"message \"OrderAdd\" 1 \"full\"", gap, "message \"OrderAdd\" 5 \"full\"", resend,
          "message \"OrderAdd\" 3 \"full\"",
          "summary true 5 2 {\"OrderAdd\":4,\"TradingSessionStatus\":1}"},
         session},
        {{"--hb", "--json", "--only-type", "Heartbeat"},
         {"message \"Heartbeat\" 0 \"header\"", gap, resend, "summary true 5 2 {}"},
         session},
        {{"--check-seq", "--every", "10", "--json"},
         {"progress 10", "progress 20", "summary false 25 0 {}"},
         burst},
    };
    for (const auto& c : cases) {
        // What check_json.py makes of each record after the start-up record.
        const std::string path = testing::temporary_file("json.log");
        std::ofstream(path) << testing::dump_session::clean_run(c.options, c.datagrams);
        const auto read = testing::run_process({PYTHON3, CHECK_JSON_SCRIPT, "log", path});
        std::filesystem::remove(path);
        EXPECT_EQ(read.status, 0) << read.err;
        const std::vector<std::string> lines = testing::split_lines(read.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front().rfind("start \"--local-ip\"", 0), 0U) << lines.front();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), c.expected);
    }
}

}  // namespace
}  // namespace tarn
