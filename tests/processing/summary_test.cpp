#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "log_capture.hpp"
#include "processing/grouped_count.hpp"
#include "processing/md_processors.hpp"

namespace tarn {
namespace {

using testing::info;
using testing::warn;

std::string grouped(std::uint64_t count) {
    return spdlog::fmt_lib::format("{}", grouped_count{count});
}

TEST(GroupedCount, ApostropheBetweenGroupsOfThree) {
    EXPECT_EQ(grouped(0), "0");
    EXPECT_EQ(grouped(999), "999");
    EXPECT_EQ(grouped(1000), "1'000");
    EXPECT_EQ(grouped(1234567), "1'234'567");
    EXPECT_EQ(grouped(std::numeric_limits<std::uint64_t>::max()), "18'446'744'073'709'551'615");
}

TEST(GroupedCount, SecondLocaleDoesNotGroup) {
    EXPECT_EQ(spdlog::fmt_lib::format(separator_locales()[1], "{:L}", 1234567), "1234567");
}

TEST(Summary, CleanRunIsOneRecord) {
    const testing::log_capture log;
    md::display_processor p;
    p.print_summary();
    p.received_ = 1234567;
    p.print_summary();
    EXPECT_EQ(log.records(), (std::vector<testing::record>{info("0 messages received"),
                                                           info("1'234'567 messages received")}));
}

TEST(Summary, ErrorsAndLossesComeFirst) {
    const testing::log_capture log;
    md::full_display_processor p;
    p.errors_ = true;
    p.received_ = 3000;
    p.lost_ = 2;
    p.counts_[md::MsgType::OrderAdd] = 3000;
    p.print_summary();
    ASSERT_EQ(log.records().size(), 4U);
    EXPECT_EQ(log.records()[0], warn("There were some errors."));
    EXPECT_EQ(log.records()[1], info("3'000 messages received"));
    EXPECT_EQ(log.records()[2], warn("2 messages lost"));
}

TEST(Summary, ResendsOnlyHaveNoLostLine) {
    const testing::log_capture log;
    md::seq_check_processor p;
    p.errors_ = true;
    p.received_ = 5;
    p.print_summary();
    EXPECT_EQ(log.records(), (std::vector<testing::record>{warn("There were some errors."),
                                                           info("5 messages received")}));
}

TEST(Summary, TypeRowsInCodeOrderWithPaddedNamesAndCounts) {
    const testing::log_capture log;
    md::full_display_processor p;
    p.counts_[md::MsgType::Trade] = 5;
    p.counts_[md::MsgType{999}] = 1;
    p.counts_[md::MsgType::OrderAdd] = 1234567;
    p.counts_[md::MsgType::TradingPhaseScheduleEntry] = std::numeric_limits<std::uint64_t>::max();
    p.print_summary();
    const std::vector<testing::record> expected = {
        info("0 messages received"),
        info("OrderAdd" + std::string(32, ' ') + " " + std::string(11, ' ') + "1'234'567"),
        info("TradingPhaseScheduleEntry" + std::string(15, ' ') + " " +
             "18'446'744'073'709'551'615"),
        info("Trade" + std::string(35, ' ') + " " + std::string(19, ' ') + "5"),
        info("999" + std::string(37, ' ') + " " + std::string(19, ' ') + "1"),
    };
    EXPECT_EQ(log.records(), expected);
}

}  // namespace
}  // namespace tarn
