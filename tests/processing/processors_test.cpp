#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.hpp"
#include "messages.hpp"
#include "processing/md_processors.hpp"
#include "render.hpp"

namespace tarn::md {
namespace {

using testing::info;

// Points the processor at a message held in a buffer of exactly its size.
class current_message {
  public:
    current_message(processor& p, const message_builder& m) : bytes_(m.bytes()) {
        p.msg_ = bytes_.data();
        p.header_ = reinterpret_cast<const Header*>(bytes_.data());
    }

  private:
    std::vector<char> bytes_;
};

TEST(Processors, EndOfSessionNeedsTheStatusTypeAndEventThree) {
    display_processor p;
    {
        const current_message m(p, testing::session_status(1, 2));
        p.check_finished();
        EXPECT_FALSE(p.finished_);
    }
    {
        // Byte 50 is 3, but the type is not TradingSessionStatus.
        message_builder other(MsgType::OrderBookEvent, 55);
        other.put<std::uint8_t>(50, 3);
        const current_message m(p, other);
        p.check_finished();
        EXPECT_FALSE(p.finished_);
    }
    {
        const current_message m(p, testing::end_of_session(1));
        p.check_finished();
        EXPECT_TRUE(p.finished_);
    }
}

TEST(Processors, StatusTooShortToHoldItsEventNeverEnds) {
    for (const std::size_t length : {42U, 50U}) {
        display_processor p;
        message_builder shorter(MsgType::TradingSessionStatus, length);
        const current_message m(p, shorter);
        p.check_finished();
        EXPECT_FALSE(p.finished_) << length;
    }
}

TEST(Processors, HeaderDisplayWritesTheHeaderAndCountsNothing) {
    const testing::log_capture log;
    display_processor p;
    const auto a = testing::order_add(3);
    const current_message m(p, a);
    p.process();
    p.process_heartbeat();  // only the _with_hb classes show heartbeats
    EXPECT_EQ(log.records(), std::vector<testing::record>{info(testing::header_text(a))});
    EXPECT_TRUE(p.counts_.empty());
}

TEST(Processors, FullDisplayCountsAndPrintsInFull) {
    const testing::log_capture log;
    full_display_processor p;
    const auto a = testing::order_add(3);
    {
        const current_message m(p, a);
        p.process();
        p.process();
    }
    message_builder logout(MsgType::Logout, 42);
    {
        const current_message m(p, logout);
        p.process();
        p.process_heartbeat();
    }
    ASSERT_EQ(log.records().size(), 3U);
    EXPECT_EQ(log.records()[0], info(testing::full_text(a)));
    EXPECT_NE(log.records()[0].text.find("||publicOrderId=1003|instrumentId=7|side=0(0)|"),
              std::string::npos);
    EXPECT_EQ(log.records()[2], info(testing::header_text(logout)));
    EXPECT_EQ(p.counts_,
              (std::map<MsgType, std::uint64_t>{{MsgType::OrderAdd, 2}, {MsgType::Logout, 1}}));
    EXPECT_FALSE(p.errors_);
}

TEST(Processors, FullDisplayWarnsOfEveryUnknownType) {
    const testing::log_capture log;
    full_display_processor_with_hb p;
    message_builder unknown(MsgType{2}, 50);
    const current_message m(p, unknown);
    p.process();
    p.process();
    const testing::record warning =
        testing::warn("Unknown message " + testing::header_text(unknown));
    EXPECT_EQ(log.records(), (std::vector<testing::record>{warning, warning}));
    EXPECT_NE(warning.text.find("|MsgType=2(2)|"), std::string::npos);
    EXPECT_TRUE(p.errors_);
    EXPECT_EQ(p.counts_.at(MsgType{2}), 2U);
}

TEST(Processors, HeartbeatClassesShowTheHeaderOnly) {
    const testing::log_capture log;
    display_processor_with_hb header_display;
    full_display_processor_with_hb full_display;
    const auto hb = testing::heartbeat();
    for (processor* p : std::vector<processor*>{&header_display, &full_display}) {
        const current_message m(*p, hb);
        p->process_heartbeat();
    }
    const auto line = info(testing::header_text(hb));
    EXPECT_EQ(log.records(), (std::vector<testing::record>{line, line}));
    EXPECT_TRUE(full_display.counts_.empty());
}

TEST(Processors, SequenceCheckingWritesProgressEveryCount) {
    const testing::log_capture log;
    seq_check_processor p;
    const current_message m(p, testing::order_add(1));
    p.every = 10;
    for (int i = 0; i < 25; ++i) {
        ++p.received_;
        p.process();
    }
    p.every = 10'000;
    p.received_ = 20'000;
    p.process();
    p.received_ = 0;  // never before the first message
    p.process();
    p.every = 0;
    p.received_ = 30;
    p.process();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info("10 messages received so far"),
                                            info("20 messages received so far"),
                                            info("20'000 messages received so far")}));
    EXPECT_TRUE(p.counts_.empty());
}

}  // namespace
}  // namespace tarn::md
