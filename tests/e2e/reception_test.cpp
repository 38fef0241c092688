// md_dump over real multicast in the private namespace, in every mode, as
// text and as JSON.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/version.hpp"
#include "dump_session.hpp"
#include "md/catalogue.hpp"
#include "md/enum_to_description.hpp"
#include "messages.hpp"

namespace tarn {
namespace {

using testing::bytes_of;

// A session in every mode: every printable type twice with heartbeats
// between them, a gap, a resend, an unknown type, then the end of the
// technical session and a message after it that is never shown, all packed
// into datagrams of up to 1400 bytes that cut messages apart.
TEST(Reception, EveryModeOverASessionOfEveryType) {
    std::vector<std::pair<std::uint32_t, md::message_builder>> session;  // seq_num 0: heartbeat
    for (int round = 0; round < 2; ++round) {
        for (const md::catalogue_entry& entry : md::printable_messages()) {
            md::message_builder m(entry.type, *entry.body);
            // Some non-zero body bytes, the same pattern for every type.
            for (std::size_t at = md::body_offset; at < entry.body->size; at += 7) {
                m.put<std::uint8_t>(at, static_cast<std::uint8_t>(at));
            }
            session.emplace_back(session.size() / 2 + 1, m);
            session.emplace_back(0, testing::heartbeat());
        }
    }
    const auto seq = static_cast<std::uint32_t>(session.size() / 2);  // the last so far
    session.emplace_back(seq + 3, md::message_builder(md::MsgType{999}, 60));
    session.emplace_back(seq + 2, testing::order_add(seq + 2));
    session.emplace_back(seq + 4, testing::end_of_session(seq + 4));
    session.emplace_back(seq + 5, testing::order_add(seq + 5));
    std::string stream;
    for (auto& [seq_num, m] : session) {
        m.set("seqNum", seq_num)
            .set("timestamp", static_cast<std::uint64_t>(1700000000000000000ULL + seq_num));
        stream += bytes_of(m);
    }
    std::vector<std::string> datagrams;
    for (std::size_t at = 0; at < stream.size(); at += 1400) {
        datagrams.push_back(stream.substr(at, 1400));
    }
    const std::string gap = "[E] Out of sync message. Expected seqNum " + std::to_string(seq + 1) +
                            ", received seqNum " + std::to_string(seq + 3) + ", 2 messages lost";
    const std::string resend = "[E] Resend of message with seqNum " + std::to_string(seq + 2) +
                               ", expected seqNum " + std::to_string(seq + 4);
    const std::vector<std::vector<std::string>> modes = {
        {}, {"--hb"}, {"--full-dump"}, {"--full-dump", "--hb"}, {"--check-seq", "--every", "0"}};
    for (const auto& options : modes) {
        const auto has = [&](const char* option) {
            return std::find(options.begin(), options.end(), option) != options.end();
        };
        std::vector<std::string> expected;
        std::map<md::MsgType, std::size_t> counts;
        for (const auto& [seq_num, m] : session) {
            expected.insert(expected.end(), seq_num == seq + 3 ? 1 : 0, gap);
            expected.insert(expected.end(), seq_num == seq + 2 ? 1 : 0, resend);
            const auto type = testing::view_of(m).load<md::MsgType>(md::msg_type_offset);
            if (has("--check-seq") || seq_num == seq + 5 || (seq_num == 0 && !has("--hb"))) {
                continue;
            }
            const bool printable = seq_num != 0 && has("--full-dump");
            expected.push_back(!printable ? "[I] " + testing::header_text(m)
                               : md::find_layout(type) == nullptr
                                   ? "[W] Unknown message " + testing::header_text(m)
                                   : "[I] " + testing::full_text(m));
            counts[type] += printable ? 1 : 0;
        }
        expected.insert(expected.end(), {"[W] There were some errors.",
                                         "[I] " + std::to_string(seq + 3) + " messages received",
                                         "[W] 2 messages lost"});
        for (const auto& [type, count] : counts) {
            std::string name(md::enum_to_description::instance().describe(type));
            name.resize(40, ' ');
            expected.insert(expected.end(), count != 0 ? 1 : 0,
                            "[I] " + name + std::string(20, ' ') + std::to_string(count));
        }
        EXPECT_EQ(
            testing::records_after_start(testing::dump_session::clean_run(options, datagrams)),
            expected)
            << options.size() << " options";
    }
}

// Socket errors a user can cause end the run with the library's text and
// without a summary: the log has the start-up record only, with the program,
// its version and revision.
TEST(Reception, BadAddressesFail) {
    for (const auto& [local, group, error] : std::vector<std::array<std::string, 3>>{
             {"127.0.0.1", "localhost", "Invalid argument\n"},
             {"::1", "239.255.1.2", "bad address cast\n"},
             {"127.0.0.1", "ff05::1", "bad address cast\n"},
             {"10.9.9.9", "239.255.1.2", "set_option: No such device\n"}}) {
        const std::string log_path = testing::temporary_file("e2e-errors.log");
        const auto result =
            testing::run_process({MD_DUMP_BINARY, "--local-ip", local, "--multicast-group", group,
                                  "--port", "31002", "--log", log_path});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, error);
        const auto log = testing::log_messages(testing::read_file(log_path));
        EXPECT_TRUE(log.size() == 1 && log[0].starts_with("[I] Start " MD_DUMP_BINARY " 2.1.1 " +
                                                          std::string(revision_id) + " "))
            << testing::read_file(log_path);
        std::filesystem::remove(log_path);
    }
}

// With --json every line of the log must be a JSON record that Python's json
// module reads, with its time, level and event, in the order the text form
// writes its records; filters leave all but message lines alone.
// Two orders on instrument 7 and one on 8, a heartbeat, a gap, a resend and
// the end of the session; or 25 orders, then an empty datagram.
TEST(JsonRuns, EveryModeAndFilter) {
    md::message_builder other = testing::order_add(2);
    other.put<std::uint32_t>(50, 8);
    const std::vector<std::string> session{
        bytes_of(testing::order_add(1)) + bytes_of(testing::heartbeat()) + bytes_of(other),
        bytes_of(testing::order_add(5)) + bytes_of(testing::order_add(3)),
        bytes_of(testing::end_of_session(6))};
    const std::vector<std::string> burst{testing::orders(1, 25), ""};
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
