// md_dump over real multicast in the private namespace, in every mode, as
// text and as JSON.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/version.hpp"
#include "dump_session.hpp"
#include "messages.hpp"

namespace tarn {
namespace {

using testing::bytes_of;

// The text of a header that is zero but for its length, its type (code and
// name), its sequence number and its time stamp, `seq` nanoseconds after
// 2023-11-14 22:13:20.
std::string header(std::size_t length, const std::string& type, std::uint32_t seq) {
    const std::string ns = (seq < 10 ? "0" : "") + std::to_string(seq);
    return "length=" + std::to_string(length) + "|MsgType=" + type +
           "|version=0|seqNum=" + std::to_string(seq) + "|timestamp=17000000000000000" + ns +
           "(2023-11-14T22:13:20.0000000" + ns +
           ")|sourceTimestamp=0(1970-01-01T00:00:00.000000000)|isEncrypted=0"
           "|encryptionOffset=0|encryptionKeyId=0|sessionId=0|streamId=0|";
}

// A session in every mode: orders 1 and 2 with a heartbeat between them, a
// gap, a resend, an unknown type, then the end of the technical session and
// an order after it that is never shown, in datagrams of 100 bytes that cut
// messages apart. The texts of every type are checked without a network.
TEST(Reception, EveryModeOverOneSession) {
    std::vector<md::message_builder> session{
        testing::order_add(1),
        testing::heartbeat(),
        testing::order_add(2),
        md::message_builder(md::MsgType{999}, 60).set("seqNum", std::uint32_t{5}),
        testing::order_add(3),
        testing::end_of_session(6),
        testing::order_add(7)};
    std::string stream;
    for (md::message_builder& m : session) {
        const std::uint32_t seq = testing::view_of(m).load<std::uint32_t>(md::seq_num_offset);
        stream += bytes_of(m.set("timestamp", std::uint64_t{1700000000000000000ULL + seq}));
    }
    std::vector<std::string> datagrams;
    for (std::size_t at = 0; at < stream.size(); at += 100) {
        datagrams.push_back(stream.substr(at, 100));
    }
    const auto order = [](std::uint32_t seq, bool full = false) {
        return "[I] " + header(72, "9(OrderAdd)", seq) +
               (full ? "|publicOrderId=" + std::to_string(1000 + seq) +
                           "|instrumentId=7|side=0(0)|price=0|quantity=0|mmQuote=0"
                     : "");
    };
    const std::string heartbeat = "[I] " + header(42, "1(Heartbeat)", 0);
    const std::string gap =
        "[E] Out of sync message. Expected seqNum 3, received seqNum 5, 2 messages lost";
    const std::string resend = "[E] Resend of message with seqNum 3, expected seqNum 6";
    const std::vector<std::string> summary{"[W] There were some errors.", "[I] 5 messages received",
                                           "[W] 2 messages lost"};
    const std::string status = "[I] " + header(55, "23(TradingSessionStatus)", 6);
    const std::string unknown = header(60, "999(999)", 5);
    const std::vector<std::string> header_lines{order(1), order(2), gap,   "[I] " + unknown,
                                                resend,   order(3), status};
    const std::string end_text =
        "|marketId=XPAR|marketStructureId=0|tradingSessionEvent=3(EndOfTechnicalSession)|date=0";
    const std::vector<std::string> full_lines{
        order(1, true), order(2, true),   gap, "[W] Unknown message " + unknown, resend,
        order(3, true), status + end_text};
    // After the summary of a full display, what it showed of each type.
    const std::vector<std::string> shown{"[I] OrderAdd" + std::string(52, ' ') + "3",
                                         "[I] TradingSessionStatus" + std::string(40, ' ') + "1",
                                         "[I] 999" + std::string(57, ' ') + "1"};
    for (const auto& [options, lines, full, heartbeats] :
         std::vector<std::tuple<std::vector<std::string>, std::vector<std::string>, bool, bool>>{
             {{}, header_lines, false, false},
             {{"--hb"}, header_lines, false, true},
             {{"--full-dump"}, full_lines, true, false},
             {{"--full-dump", "--hb"}, full_lines, true, true},
             {{"--check-seq", "--every", "0"}, {gap, resend}, false, false}}) {
        std::vector<std::string> expected = lines;
        expected.insert(expected.begin() + 1, heartbeats ? 1 : 0, heartbeat);
        expected.insert(expected.end(), summary.begin(), summary.end());
        expected.insert(expected.end(), full ? shown.begin() : shown.end(), shown.end());
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
