#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "datagram_queue.hpp"
#include "log_capture.hpp"
#include "messages.hpp"
#include "processing/receive_loop.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::error;
using testing::info;
using testing::order_add;

// Datagrams in, the display of headers and heartbeats out; then the
// processor's counters and the datagrams left unread.
struct loop_case {
    const char* name;
    std::vector<std::string> datagrams;
    std::vector<testing::record> log;
    std::string after;  // "received lost expected errors finished left"
};

void PrintTo(const loop_case& c, std::ostream* out) { *out << c.name; }

testing::record shown(const md::message_builder& m) { return info(testing::header_text(m)); }
testing::record shown(std::uint32_t seq_num) { return shown(order_add(seq_num)); }

// OrderAdd messages with these sequence numbers, each in its own datagram,
// then the empty datagram that ends reception.
std::vector<std::string> one_per_datagram(const std::vector<std::uint32_t>& seq_nums) {
    std::vector<std::string> datagrams;
    for (const std::uint32_t seq_num : seq_nums) {
        datagrams.push_back(bytes_of(order_add(seq_num)));
    }
    datagrams.emplace_back();
    return datagrams;
}

std::vector<loop_case> loop_cases() {
    const std::string a = bytes_of(order_add(1)), b = bytes_of(order_add(2)),
                      c = bytes_of(order_add(3)), ab = a + b;
    const auto status = testing::session_status(2, 13), end = testing::end_of_session(2);
    const auto hb = testing::heartbeat();
    // 4096 bytes of room for 4320: a warning, the 56 whole messages, and the
    // 57th, cut, is dropped; the next datagram is framed from its own start.
    std::string burst;
    std::vector<testing::record> burst_log{testing::warn(
        "Datagram of 4320 bytes cut to the 4096 bytes the receive buffer had room for; its "
        "incomplete end dropped")};
    for (std::uint32_t seq = 1; seq <= 60; ++seq) {
        burst += bytes_of(order_add(seq));
        if (seq <= 56) {
            burst_log.push_back(shown(seq));
        }
    }
    burst_log.push_back(shown(57));
    md::message_builder largest(md::MsgType{999}, 4096);
    largest.seq_num(1);
    const std::string big = bytes_of(largest);
    md::message_builder huge(md::MsgType::OrderAdd, 72);
    huge.length(5000);
    const std::string runt = std::string("\x0a\x00", 2) + std::string(8, 'x');
    return {
        {"ThreeMessagesInOneDatagram",
         {a + b + c, ""},
         {shown(1), shown(2), shown(3)},
         "3 0 4 0 0 0"},
        {"MessageSplitAcrossTwoAndThreeDatagrams",
         {ab.substr(0, 100), ab.substr(100), c.substr(0, 20), c.substr(20, 30), c.substr(50), ""},
         {shown(1), shown(2), shown(3)},
         "3 0 4 0 0 0"},
        // The byte carried over is the first of a message of another length.
        {"OneByteTailStartsTheNextMessage",
         {(a + bytes_of(status)).substr(0, 73), bytes_of(status).substr(1), ""},
         {shown(1), shown(status)},
         "2 0 3 0 0 0"},
        {"LengthZeroEndsReceptionMidDatagram",
         {a + std::string(2, '\0') + b, b},
         {shown(1)},
         "1 0 2 0 0 1"},
        {"EmptyDatagramEndsReception", {"", a}, {}, "0 0 0 0 0 1"},
        {"EndOfSessionStopsMidDatagram",
         {a + bytes_of(end) + c, b},
         {shown(1), shown(end)},
         "2 0 3 0 1 1"},
        {"OtherSessionEventsDoNotEnd",
         {bytes_of(testing::session_status(1, 2)) + bytes_of(status), ""},
         {shown(testing::session_status(1, 2)), shown(status)},
         "2 0 3 0 0 0"},
        {"HeartbeatsAreShownButNotCountedOrChecked",
         {bytes_of(order_add(5)) + bytes_of(hb), bytes_of(hb) + bytes_of(order_add(6)), ""},
         {shown(5), shown(hb), shown(hb), shown(6)},
         "2 0 7 0 0 0"},
        {"LongDatagramIsCutToTheRoomLeft",
         {burst, bytes_of(order_add(57)), ""},
         burst_log,
         "57 0 58 1 0 0"},
        {"LargestMessageCompletesAcrossDatagrams",
         {big.substr(0, 1400), big.substr(1400, 1400), big.substr(2800), ""},
         {shown(largest)},
         "1 0 2 0 0 0"},
        // Framing that no honest sender produces.
        {"LengthBelowTheHeaderIsSkippedByItsLength",
         {a + runt + b, ""},
         {shown(1), testing::warn("Message length 10 is below the 42-byte header; skipped"),
          shown(2)},
         "2 0 3 1 0 0"},
        {"LengthBeyondTheBufferEndsReception",
         {a + bytes_of(huge), b},
         {shown(1),
          error("Message length 5000 exceeds the 4096-byte receive buffer; reception ended")},
         "1 0 2 1 0 1"},
        // Sequence numbers: a gap is reported before the message and counted.
        {"GapIsReportedAndCounted",
         one_per_datagram({5, 6, 9, 10}),
         {shown(5), shown(6),
          error("Out of sync message. Expected seqNum 7, received seqNum 9, 2 messages lost"),
          shown(9), shown(10)},
         "4 2 11 1 0 0"},
        {"ResendKeepsTheExpectation",
         one_per_datagram({5, 6, 4, 7}),
         {shown(5), shown(6), error("Resend of message with seqNum 4, expected seqNum 7"), shown(4),
          shown(7)},
         "4 0 8 1 0 0"},
        {"ZeroIsAlwaysInSequence",
         one_per_datagram({5, 0, 7}),
         {shown(5), shown(0),
          error("Out of sync message. Expected seqNum 1, received seqNum 7, 6 messages lost"),
          shown(7)},
         "3 6 8 1 0 0"},
        {"ExpectationWrapsAfterTheLargestNumber",
         one_per_datagram({4294967294U, 4294967295U, 12345, 12346}),
         {shown(4294967294U), shown(4294967295U), shown(12345), shown(12346)},
         "4 0 12347 0 0 0"},
        {"LargeGapsSumBeyondThirtyTwoBits",
         one_per_datagram({1, 4294967000U, 0, 4294967000U}),
         {shown(1),
          error("Out of sync message. Expected seqNum 2, received seqNum 4294967000, "
                "4294966998 messages lost"),
          shown(4294967000U), shown(0),
          error("Out of sync message. Expected seqNum 1, received seqNum 4294967000, "
                "4294966999 messages lost"),
          shown(4294967000U)},
         "4 8589933997 4294967001 1 0 0"},
    };
}

class ReceiveLoop : public ::testing::TestWithParam<loop_case> {};

TEST_P(ReceiveLoop, Case) {
    const testing::log_capture log;
    md::display_processor_with_hb processor;
    testing::datagram_queue datagrams;
    for (const std::string& datagram : GetParam().datagrams) {
        datagrams.add(datagram);
    }
    receive_loop(processor, datagrams);
    EXPECT_EQ(log.records(), GetParam().log);
    EXPECT_EQ(spdlog::fmt_lib::format("{} {} {} {:d} {:d} {}", processor.received_, processor.lost_,
                                      processor.expected_seq_num_, processor.errors_,
                                      processor.finished_, datagrams.left()),
              GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReceiveLoop, ::testing::ValuesIn(loop_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarn
