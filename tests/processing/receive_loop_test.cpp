#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datagram_queue.hpp"
#include "log_capture.hpp"
#include "messages.hpp"
#include "processing/receive_loop.hpp"
#include "render.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::header_text;
using testing::info;

class ReceiveLoop : public ::testing::Test {
  protected:
    void run() { receive_loop(processor, datagrams); }

    testing::log_capture log;
    testing::datagram_queue datagrams;
    md::display_processor_with_hb processor;
};

TEST_F(ReceiveLoop, ThreeMessagesInOneDatagram) {
    const auto a = testing::order_add(1), b = testing::order_add(2), c = testing::order_add(3);
    datagrams.add(bytes_of(a) + bytes_of(b) + bytes_of(c)).add("");
    run();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info(header_text(a)), info(header_text(b)),
                                            info(header_text(c))}));
    EXPECT_EQ(processor.received_, 3U);
    EXPECT_EQ(datagrams.left(), 0U);
}

TEST_F(ReceiveLoop, MessageSplitAcrossTwoAndThreeDatagrams) {
    const auto a = testing::order_add(1), b = testing::order_add(2), c = testing::order_add(3);
    const std::string ab = bytes_of(a) + bytes_of(b);
    const std::string cs = bytes_of(c);
    datagrams.add(ab.substr(0, 100)).add(ab.substr(100));
    datagrams.add(cs.substr(0, 20)).add(cs.substr(20, 30)).add(cs.substr(50)).add("");
    run();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info(header_text(a)), info(header_text(b)),
                                            info(header_text(c))}));
}

TEST_F(ReceiveLoop, OneByteTailStartsTheNextMessage) {
    const auto a = testing::order_add(1), b = testing::order_add(2);
    const std::string all = bytes_of(a) + bytes_of(b);
    datagrams.add(all.substr(0, 73)).add(all.substr(73)).add("");
    run();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info(header_text(a)), info(header_text(b))}));
}

TEST_F(ReceiveLoop, LengthZeroEndsReceptionMidDatagram) {
    const auto a = testing::order_add(1), b = testing::order_add(2);
    datagrams.add(bytes_of(a) + std::string(2, '\0') + bytes_of(b)).add(bytes_of(b));
    run();
    EXPECT_EQ(log.records(), std::vector<testing::record>{info(header_text(a))});
    EXPECT_EQ(datagrams.left(), 1U);
}

TEST_F(ReceiveLoop, EmptyDatagramEndsReception) {
    datagrams.add("").add(bytes_of(testing::order_add(1)));
    run();
    EXPECT_TRUE(log.records().empty());
    EXPECT_EQ(datagrams.left(), 1U);
}

TEST_F(ReceiveLoop, EndOfSessionStopsMidDatagram) {
    const auto a = testing::order_add(1), end = testing::end_of_session(2);
    datagrams.add(bytes_of(a) + bytes_of(end) + bytes_of(testing::order_add(3)))
        .add(bytes_of(testing::order_add(4)));
    run();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info(header_text(a)), info(header_text(end))}));
    EXPECT_TRUE(processor.finished_);
    EXPECT_EQ(datagrams.left(), 1U);
}

TEST_F(ReceiveLoop, OtherSessionEventsDoNotEnd) {
    datagrams
        .add(bytes_of(testing::session_status(1, 2)) + bytes_of(testing::session_status(2, 13)))
        .add("");
    run();
    EXPECT_EQ(log.records().size(), 2U);
    EXPECT_FALSE(processor.finished_);
}

TEST_F(ReceiveLoop, HeartbeatsAreShownButNotCountedOrChecked) {
    const auto hb = testing::heartbeat();
    const auto a = testing::order_add(5), b = testing::order_add(6);
    datagrams.add(bytes_of(a) + bytes_of(hb)).add(bytes_of(hb) + bytes_of(b)).add("");
    run();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{info(header_text(a)), info(header_text(hb)),
                                            info(header_text(hb)), info(header_text(b))}));
    EXPECT_EQ(processor.received_, 2U);
    EXPECT_FALSE(processor.errors_);
    EXPECT_EQ(processor.expected_seq_num_, 7U);
}

TEST_F(ReceiveLoop, LargestMessageCompletesAcrossDatagrams) {
    md::message_builder big(md::MsgType{999}, 4096);
    big.seq_num(1);
    const std::string bytes = bytes_of(big);
    datagrams.add(bytes.substr(0, 1400))
        .add(bytes.substr(1400, 1400))
        .add(bytes.substr(2800))
        .add("");
    run();
    EXPECT_EQ(log.records(), std::vector<testing::record>{info(header_text(big))});
}

// Sequence numbers of consecutive OrderAdd messages, each in its own datagram.
class SequenceCheck : public ReceiveLoop {
  protected:
    void run_sequence(const std::vector<std::uint32_t>& seq_nums) {
        for (const std::uint32_t seq : seq_nums) {
            datagrams.add(bytes_of(testing::order_add(seq)));
        }
        datagrams.add("");
        run();
    }
    std::vector<testing::record> anomalies() const {
        std::vector<testing::record> found;
        for (const auto& r : log.records()) {
            if (r.level != spdlog::level::info) {
                found.push_back(r);
            }
        }
        return found;
    }
};

TEST_F(SequenceCheck, GapIsReportedAndCounted) {
    run_sequence({5, 6, 9, 10});
    EXPECT_EQ(anomalies(), std::vector<testing::record>{testing::error(
                               "Out of sync message. Expected seqNum 7, received seqNum 9, 2 "
                               "messages lost")});
    EXPECT_EQ(processor.lost_, 2U);
    EXPECT_EQ(processor.expected_seq_num_, 11U);
    EXPECT_EQ(processor.received_, 4U);
    EXPECT_TRUE(processor.errors_);
}

TEST_F(SequenceCheck, ResendKeepsTheExpectation) {
    run_sequence({5, 6, 4, 7});
    EXPECT_EQ(anomalies(), std::vector<testing::record>{testing::error(
                               "Resend of message with seqNum 4, expected seqNum 7")});
    EXPECT_EQ(processor.lost_, 0U);
    EXPECT_EQ(processor.expected_seq_num_, 8U);
    EXPECT_TRUE(processor.errors_);
}

TEST_F(SequenceCheck, ZeroIsAlwaysInSequence) {
    run_sequence({5, 0, 7});
    EXPECT_EQ(anomalies(), std::vector<testing::record>{testing::error(
                               "Out of sync message. Expected seqNum 1, received seqNum 7, 6 "
                               "messages lost")});
}

TEST_F(SequenceCheck, ExpectationWrapsAfterTheLargestNumber) {
    run_sequence({4294967294U, 4294967295U, 12345, 12346});
    EXPECT_TRUE(anomalies().empty());
    EXPECT_FALSE(processor.errors_);
}

TEST_F(SequenceCheck, AnomalyRecordComesBeforeTheMessage) {
    run_sequence({1, 3});
    ASSERT_EQ(log.records().size(), 3U);
    EXPECT_EQ(log.records()[1].level, spdlog::level::err);
    EXPECT_EQ(log.records()[2], info(header_text(testing::order_add(3))));
}

TEST_F(SequenceCheck, LargeGapsSumBeyondThirtyTwoBits) {
    run_sequence({1, 4294967000U, 0, 4294967000U});
    EXPECT_EQ(processor.lost_, 4294966998ULL + 4294966999ULL);
}

// Framing that no honest sender produces.
TEST_F(ReceiveLoop, LengthBelowTheHeaderIsSkippedByItsLength) {
    const auto a = testing::order_add(1), b = testing::order_add(2);
    const std::string runt = std::string("\x0a\x00", 2) + std::string(8, 'x');
    datagrams.add(bytes_of(a) + runt + bytes_of(b)).add("");
    run();
    EXPECT_EQ(log.records(),
              (std::vector<testing::record>{
                  info(header_text(a)),
                  testing::warn("Message length 10 is below the 42-byte header; skipped"),
                  info(header_text(b))}));
    EXPECT_TRUE(processor.errors_);
    EXPECT_EQ(processor.received_, 2U);
}

TEST_F(ReceiveLoop, LengthBeyondTheBufferEndsReception) {
    md::message_builder huge(md::MsgType::OrderAdd, 72);
    huge.length(5000);
    datagrams.add(bytes_of(testing::order_add(1)) + bytes_of(huge))
        .add(bytes_of(testing::order_add(2)));
    run();
    ASSERT_EQ(log.records().size(), 2U);
    EXPECT_EQ(log.records()[1],
              testing::error(
                  "Message length 5000 exceeds the 4096-byte receive buffer; reception ended"));
    EXPECT_TRUE(processor.errors_);
    EXPECT_EQ(datagrams.left(), 1U);
}

}  // namespace
}  // namespace tarn
