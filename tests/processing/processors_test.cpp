#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "log_capture.hpp"
#include "messages.hpp"
#include "processing/grouped_count.hpp"
#include "processing/md_processors.hpp"

namespace tarn::md {
namespace {

using testing::hand_over;
using testing::info;
using testing::warn;

// The end of the session is a TradingSessionStatus long enough to hold its
// event, and that event is 3.
TEST(Processors, EndOfSessionNeedsTheStatusTypeAndEventThree) {
    message_builder other_type(MsgType::OrderBookEvent, 55);
    other_type.put<std::uint8_t>(50, 3);
    const std::vector<std::pair<message_builder, bool>> cases = {
        {testing::session_status(1, 2), false},
        {other_type, false},
        {message_builder(MsgType::TradingSessionStatus, 42), false},
        {message_builder(MsgType::TradingSessionStatus, 50), false},
        {testing::end_of_session(1), true},
    };
    for (const auto& [message, ends] : cases) {
        display_processor p;
        hand_over(p, message, &processor::check_finished);
        EXPECT_EQ(p.finished_, ends) << testing::header_text(message);
    }
}

// Only the _with_hb classes show heartbeats, by their header; only the full
// displays count by type and warn of every unknown type, which is an error.
TEST(Processors, DisplaysWriteTheHeaderOrTheFullText) {
    const auto a = testing::order_add(3);
    const message_builder logout(MsgType::Logout, 42), unknown(MsgType{2}, 50);
    const auto line = [](const message_builder& m) { return info(testing::header_text(m)); };
    const auto full = info(testing::full_text(a)), hb = line(testing::heartbeat());
    const auto warning = warn("Unknown message " + testing::header_text(unknown));
    display_processor header_display;
    full_display_processor full_display;
    display_processor_with_hb header_display_hb;
    full_display_processor_with_hb full_display_hb;
    const struct {
        processor* p;
        std::vector<testing::record> log;
    } cases[] = {
        {&header_display, {line(a), line(logout), line(unknown), line(unknown)}},
        {&full_display, {full, line(logout), warning, warning}},
        {&header_display_hb, {line(a), line(logout), line(unknown), line(unknown), hb}},
        {&full_display_hb, {full, line(logout), warning, warning, hb}},
    };
    for (const auto& c : cases) {
        const testing::log_capture log;
        hand_over(*c.p, a);
        hand_over(*c.p, logout);
        EXPECT_FALSE(c.p->errors_);
        hand_over(*c.p, unknown);
        hand_over(*c.p, unknown);
        hand_over(*c.p, testing::heartbeat(), &processor::process_heartbeat);
        EXPECT_EQ(log.records(), c.log);
    }
    EXPECT_NE(full.text.find("||publicOrderId=1003|instrumentId=7|side=0(0)|"), std::string::npos);
    EXPECT_NE(warning.text.find("|MsgType=2(2)|"), std::string::npos);
    EXPECT_TRUE(header_display.counts_.empty());
    EXPECT_FALSE(header_display.errors_);
    EXPECT_TRUE(full_display.errors_);
    EXPECT_EQ(full_display_hb.counts_,
              (std::map<MsgType, std::uint64_t>{
                  {MsgType::OrderAdd, 1}, {MsgType::Logout, 1}, {MsgType{2}, 2}}));
}

// Never before the first message, never with an interval of 0.
TEST(Processors, SequenceCheckingWritesProgressEveryCount) {
    const testing::log_capture log;
    seq_check_processor p;
    const auto step = [&p](std::uint64_t every, std::uint64_t received) {
        p.every = every;
        p.received_ = received;
        hand_over(p, testing::order_add(1));
    };
    for (std::uint64_t received = 1; received <= 25; ++received) {
        step(10, received);
    }
    step(10'000, 20'000);
    step(10'000, 0);
    step(0, 30);
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info("10 messages received so far"),
                                            info("20 messages received so far"),
                                            info("20'000 messages received so far")}));
    EXPECT_TRUE(p.counts_.empty());
}

TEST(GroupedCount, ApostropheBetweenGroupsOfThreeAndASecondLocaleWithout) {
    std::string all;
    for (const std::uint64_t count : std::initializer_list<std::uint64_t>{
             0, 999, 1000, 1234567, std::numeric_limits<std::uint64_t>::max()}) {
        all += spdlog::fmt_lib::format("{} ", tarn::grouped_count{count});
    }
    EXPECT_EQ(all, "0 999 1'000 1'234'567 18'446'744'073'709'551'615 ");
    EXPECT_EQ(spdlog::fmt_lib::format(tarn::separator_locales()[1], "{:L}", 1234567), "1234567");
}

// Errors, losses and socket drops come first; a run with resends only has no lost line;
// type rows come in code order, names padded to 40 and counts to 20.
TEST(Summary, RecordsForEachKindOfRun) {
    const auto row = [](const std::string& name, const std::string& count) {
        return info(name + std::string(40 - name.size(), ' ') + " " +
                    std::string(std::max<std::size_t>(20, count.size()) - count.size(), ' ') +
                    count);
    };
    const struct {
        bool errors;
        std::uint64_t received, lost, drops;
        std::map<MsgType, std::uint64_t> counts;
        std::vector<testing::record> summary;
    } runs[] = {
        {false, 0, 0, 0, {}, {info("0 messages received")}},
        {false, 1234567, 0, 0, {}, {info("1'234'567 messages received")}},
        {true, 5, 0, 0, {}, {warn("There were some errors."), info("5 messages received")}},
        {true,
         3000,
         2,
         1234,
         {{MsgType::Trade, 5},
          {MsgType{999}, 1},
          {MsgType::OrderAdd, 1234567},
          {MsgType::TradingPhaseScheduleEntry, std::numeric_limits<std::uint64_t>::max()}},
         {warn("There were some errors."), info("3'000 messages received"), warn("2 messages lost"),
          warn("1'234 datagrams dropped by this host's socket, its receive buffer full: see "
               "--receive-buffer"),
          row("OrderAdd", "1'234'567"),
          row("TradingPhaseScheduleEntry", "18'446'744'073'709'551'615"), row("Trade", "5"),
          row("999", "1")}},
    };
    for (const auto& run : runs) {
        const testing::log_capture log;
        full_display_processor p;
        p.errors_ = run.errors;
        p.received_ = run.received;
        p.lost_ = run.lost;
        p.socket_drops_ = run.drops;
        p.counts_ = run.counts;
        p.print_summary();
        EXPECT_EQ(log.records(), run.summary);
    }
}

}  // namespace
}  // namespace tarn::md
