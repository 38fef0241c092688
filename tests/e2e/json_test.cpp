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

// What check_json.py makes of each record after the start-up record.
std::vector<std::string> json_records(const std::vector<std::string>& options,
                                      const std::vector<std::string>& datagrams) {
    testing::dump_session dump(options);
    EXPECT_TRUE(dump.joined());
    for (const std::string& datagram : datagrams) {
        dump.send(datagram);
    }
    const auto result = dump.finish();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::string path = testing::temporary_file("json.log");
    std::ofstream(path) << dump.raw_log();
    const auto read = testing::run_process({PYTHON3, CHECK_JSON_SCRIPT, "log", path});
    std::filesystem::remove(path);
    EXPECT_EQ(read.status, 0) << read.err;
    std::vector<std::string> lines = testing::split_lines(read.out);
    EXPECT_FALSE(lines.empty());
    if (lines.empty()) {
        return {};
    }
    EXPECT_EQ(lines.front().rfind("start \"--local-ip\"", 0), 0U) << lines.front();
    return {lines.begin() + 1, lines.end()};
}

// Two orders on instrument 7 and one on 8, a heartbeat, a gap, a resend and
// the end of the session.
std::vector<std::string> session() {
    using testing::bytes_of;
    md::message_builder other = testing::order_add(2);
    other.put<std::uint32_t>(50, 8);
    return {bytes_of(testing::order_add(1)) + bytes_of(testing::heartbeat()) + bytes_of(other),
            bytes_of(testing::order_add(5)) + bytes_of(testing::order_add(3)),
            bytes_of(testing::end_of_session(6))};
}

const std::string gap = "gap 3 5 2";
const std::string resend = "resend 3 6";

TEST(JsonRuns, EveryModeAndFilter) {
    const struct {
        std::vector<std::string> options;
        std::vector<std::string> expected;
    } cases[] = {
        {{"--json"},
         {"message \"OrderAdd\" 1 \"header\"", "message \"OrderAdd\" 2 \"header\"", gap,
          "message \"OrderAdd\" 5 \"header\"", resend, "message \"OrderAdd\" 3 \"header\"",
          "message \"TradingSessionStatus\" 6 \"header\"", "summary true 5 2 {}"}},
        // By name and code, by instrument (which no heartbeat has), both together.
        {{"--full-dump", "--hb", "--json", "--only-type", "OrderAdd,1", "--only-instrument", "7"},
         {"message \"OrderAdd\" 1 \"full\"", gap, "message \"OrderAdd\" 5 \"full\"", resend,
          "message \"OrderAdd\" 3 \"full\"",
          "summary true 5 2 {\"OrderAdd\":4,\"TradingSessionStatus\":1}"}},
        {{"--hb", "--json", "--only-type", "Heartbeat"},
         {"message \"Heartbeat\" 0 \"header\"", gap, resend, "summary true 5 2 {}"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json_records(c.options, session()), c.expected);
    }
}

TEST(JsonRuns, SequenceChecking) {
    std::string burst;
    for (std::uint32_t seq = 1; seq <= 25; ++seq) {
        burst += testing::bytes_of(testing::order_add(seq));
    }
    EXPECT_EQ(json_records({"--check-seq", "--every", "10", "--json"}, {burst, ""}),
              (std::vector<std::string>{"progress 10", "progress 20", "summary false 25 0 {}"}));
}

}  // namespace
}  // namespace tarn
