// Every kind of record in the JSON form: its level, its event, its numbers
// and the text of its text form. (The text form is what every other test
// of the processors, the loop and the summary reads.)

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/version.hpp"
#include "log_capture.hpp"
#include "md/message_builder.hpp"
#include "processing/records.hpp"

namespace tarn {
namespace {

using testing::error;
using testing::info;
using testing::warn;

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
    testing::log_capture log;
    records::use_form(records::form::json);
    const md::message_builder unknown(md::MsgType{999}, 42);
    const md::byte_view header(unknown.view().data(), unknown.view().size());
    const std::vector<const char*> arguments = {"--json", "a\"b"};
    const std::string revision(revision_id);
    const struct {
        std::function<void()> write;
        testing::record expected;
    } cases[] = {
        {[] { records::gap(7, 9, 2); },
         error(R"("event":"gap","expected":7,"received":9,"lost":2,"text":"Out of sync message. )"
               R"(Expected seqNum 7, received seqNum 9, 2 messages lost")")},
        {[] { records::resend(4294967295U, 8); },
         error(R"("event":"resend","received":4294967295,"expected":8,"text":"Resend of message )"
               R"(with seqNum 4294967295, expected seqNum 8")")},
        {[] { records::length_below_header(41, 42); },
         warn(R"("event":"length_below_header","length":41,"header_size":42,"text":"Message )"
              R"(length 41 is below the 42-byte header; skipped")")},
        {[] { records::length_over_buffer(5000, 4096); },
         error(R"("event":"length_over_buffer","length":5000,"buffer_size":4096,"text":"Message )"
               R"(length 5000 exceeds the 4096-byte receive buffer; reception ended")")},
        {[] { records::progress(20000); },
         info(R"("event":"progress","received":20000,"text":"20'000 messages received so far")")},
        {[&] { records::unknown_message(header); },
         warn(R"("event":"unknown_message","header":)" + std::string(zero_header) +
              R"(,"text":"Unknown message )" + std::string(zero_header_text) + "\"")},
        {[&] { records::short_message(header, 72); },
         warn(R"("event":"short_message","length":42,"layout_size":72,"header":)" +
              std::string(zero_header) +
              R"(,"text":"Message shorter than its layout, 42 of 72 bytes: )" +
              std::string(zero_header_text) + "\"")},
        {[&] { records::start("./md_dump", version_text, revision_id, arguments); },
         info(R"("event":"start","program":"./md_dump","version":"2.1.1","revision":")" + revision +
              R"(","arguments":["--json","a\"b"],"text":"Start ./md_dump 2.1.1 )" + revision +
              R"( --json a\"b")")},
        {[] { records::summary(false, 0, 0, 0, {}); },
         info(R"("event":"summary","errors":false,"received":0,"lost":0,"socket_drops":0,)"
              R"("counts":{},)"
              R"("text":"0 messages received")")},
        {[] {
             const std::vector<records::type_count> counts = {{"OrderAdd", 1234567}, {"999", 1}};
             records::summary(true, 1234568, 2, 3, counts);
         },
         warn(R"("event":"summary","errors":true,"received":1234568,"lost":2,"socket_drops":3,)"
              R"("counts":{"OrderAdd":1234567,"999":1},"text":"There were some errors.\u000a)"
              R"(1'234'568 messages received\u000a2 messages lost\u000a3 datagrams dropped by )"
              R"(this host's socket, its receive buffer full: see --receive-buffer\u000aOrderAdd)" +
              std::string(32 + 1 + 11, ' ') + R"(1'234'567\u000a999)" +
              std::string(37 + 1 + 19, ' ') + R"(1")")},
    };
    for (const auto& c : cases) {
        log.clear();
        c.write();
        EXPECT_EQ(log.records(), std::vector<testing::record>{c.expected});
    }
    records::use_form(records::form::text);
}

}  // namespace
}  // namespace tarn
