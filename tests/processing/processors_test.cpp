// The processors, and every kind of record in the JSON form: its level, its
// event, its numbers and the text of its text form. (The text form is what
// the tests of the loop and the whole runs read; the runs in every mode check
// the summary's lines, the runs that lose datagrams its drop line.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/version.hpp"
#include "log_capture.hpp"
#include "messages.hpp"
#include "processing/md_processors.hpp"
#include "processing/records.hpp"

namespace tarn::md {
namespace {

using testing::error;
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

// An unknown type is an error only where the full text was wanted. (What
// each display writes, and counts, is checked on whole runs in every mode.)
TEST(Processors, AnUnknownTypeIsAnErrorOnlyInTheFullDisplays) {
    display_processor header_display;
    display_processor_with_hb header_display_hb;
    full_display_processor full_display;
    full_display_processor_with_hb full_display_hb;
    for (processor* p : std::initializer_list<processor*>{&header_display, &header_display_hb,
                                                          &full_display, &full_display_hb}) {
        const testing::log_capture log;
        hand_over(*p, message_builder(MsgType{2}, 50));
        EXPECT_EQ(p->errors_, p == &full_display || p == &full_display_hb);
    }
}

constexpr std::string_view zero_header =
    R"({"length":42,"MsgType":{"value":999,"name":null},"version":0,"seqNum":0,)"
    R"("timestamp":{"ns":0,"utc":"1970-01-01T00:00:00.000000000"},)"
    R"("sourceTimestamp":{"ns":0,"utc":"1970-01-01T00:00:00.000000000"},)"
    R"("isEncrypted":0,"encryptionOffset":0,"encryptionKeyId":0,"sessionId":0,"streamId":0})";
constexpr std::string_view zero_header_text =
    "length=42|MsgType=999(999)|version=0|seqNum=0"
    "|timestamp=0(1970-01-01T00:00:00.000000000)"
    "|sourceTimestamp=0(1970-01-01T00:00:00.000000000)"
    "|isEncrypted=0|encryptionOffset=0|encryptionKeyId=0|sessionId=0|streamId=0|";

TEST(JsonRecords, EveryKind) {
    const testing::log_capture log;
    const message_builder unknown(MsgType{999}, 42);
    const byte_view header(unknown.view().data(), unknown.view().size());
    const std::vector<const char*> arguments = {"--json", "a\"b"};
    const std::vector<records::type_count> counts = {{"OrderAdd", 1234567}, {"999", 1}};
    records::writer records(records::form::json);
    records.gap(7, 9, 2);
    records.resend(4294967295U, 8);
    records.length_below_header(41, 42);
    records.length_over_buffer(5000, 4096);
    records.progress(20000);
    records.unknown_message(header);
    records.short_message(header, 72);
    records.start("./md_dump", version_text, revision_id, arguments);
    records.summary(true, 1234568, 2, 3, counts);
    records.run_figures({{.messages = 9, .gaps = 1, .lost = 2, .socket_drops = 3},
                         2'700'000'000,
                         6,
                         690,
                         latency_figures{12'000, 50'000, 50'500},
                         412,
                         58'000});
    const std::string revision(revision_id);
    EXPECT_EQ(
        log.records(),
        (std::vector<testing::record>{
            error(
                R"("event":"gap","expected":7,"received":9,"lost":2,"text":"Out of sync message. )"
                R"(Expected seqNum 7, received seqNum 9, 2 messages lost")"),
            error(
                R"("event":"resend","received":4294967295,"expected":8,"text":"Resend of message )"
                R"(with seqNum 4294967295, expected seqNum 8")"),
            warn(R"("event":"length_below_header","length":41,"header_size":42,"text":"Message )"
                 R"(length 41 is below the 42-byte header; skipped")"),
            error(
                R"("event":"length_over_buffer","length":5000,"buffer_size":4096,"text":"Message )"
                R"(length 5000 exceeds the 4096-byte receive buffer; reception ended")"),
            info(R"("event":"progress","received":20000,"text":"20'000 messages received so far")"),
            warn(R"("event":"unknown_message","header":)" + std::string(zero_header) +
                 R"(,"text":"Unknown message )" + std::string(zero_header_text) + "\""),
            warn(R"("event":"short_message","length":42,"layout_size":72,"header":)" +
                 std::string(zero_header) +
                 R"(,"text":"Message shorter than its layout, 42 of 72 bytes: )" +
                 std::string(zero_header_text) + "\""),
            info(R"("event":"start","program":"./md_dump","version":"2.1.1","revision":")" +
                 revision + R"(","arguments":["--json","a\"b"],"text":"Start ./md_dump 2.1.1 )" +
                 revision + R"( --json a\"b")"),
            warn(
                R"("event":"summary","errors":true,"received":1234568,"lost":2,"socket_drops":3,)"
                R"("counts":{"OrderAdd":1234567,"999":1},"text":"There were some errors.\u000a)"
                R"(1'234'568 messages received\u000a2 messages lost\u000a3 datagrams dropped by )"
                R"(this host's socket, its receive buffer full: see --receive-buffer\u000aOrderAdd)" +
                std::string(32 + 1 + 11, ' ') + R"(1'234'567\u000a999)" +
                std::string(37 + 1 + 19, ' ') + R"(1")"),
            info(R"("event":"run_figures","duration_ns":2700000000,"messages":9,)"
                 R"("messages_per_second":3,"datagrams":6,"datagrams_per_second":2,"bytes":690,)"
                 R"("gaps":1,"lost":2,"socket_drops":3,"latency":{"p50_ns":12000,"p99_ns":50000,)"
                 R"("max_ns":50500},"peak_messages_per_ms":412,"peak_bytes_per_ms":58000,)"
                 R"("text":"Whole run of 2.700 s: 9 messages (3/s), 6 datagrams (2/s), 690 )"
                 R"(bytes, 1 gaps, 2 messages lost, 3 socket drops, latency p50 12.0 us p99 )"
                 R"(50.0 us max 50.5 us, peak per ms 412 messages 58'000 bytes")")}));
}

}  // namespace
}  // namespace tarn::md
