#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dump_session.hpp"
#include "md/catalogue.hpp"
#include "md/enum_to_description.hpp"
#include "messages.hpp"
#include "render.hpp"

namespace tarn {
namespace {

// Every printable type twice, an unknown type, heartbeats between them, all
// packed into datagrams of up to 1400 bytes that cut messages apart.
TEST(FullDumpSession, EveryTypeOverMulticast) {
    std::vector<md::message_builder> messages;
    std::uint32_t seq = 1;
    for (int round = 0; round < 2; ++round) {
        for (const md::catalogue_entry& entry : md::printable_messages()) {
            md::message_builder m(entry.type, *entry.body);
            m.seq_num(seq).timestamp(1700000000000000000ULL + seq).stream_id(1);
            ++seq;
            // Some non-zero body bytes, the same pattern for every type.
            for (std::size_t at = md::body_offset; at < entry.body->size; at += 7) {
                m.put<std::uint8_t>(at, static_cast<std::uint8_t>(at));
            }
            messages.push_back(m);
        }
    }
    md::message_builder unknown(md::MsgType{999}, 60);
    unknown.seq_num(seq++);
    messages.push_back(unknown);
    messages.push_back(testing::end_of_session(seq++));

    std::string stream;
    std::vector<std::string> expected;
    for (const md::message_builder& m : messages) {
        stream += testing::bytes_of(m) + testing::bytes_of(testing::heartbeat());
        expected.push_back(&m == &messages[messages.size() - 2]
                               ? "[W] Unknown message " + testing::header_text(m)
                               : "[I] " + testing::full_text(m));
    }
    expected.emplace_back("[W] There were some errors.");
    expected.push_back("[I] " + std::to_string(messages.size()) + " messages received");
    std::map<md::MsgType, std::size_t> counts;
    for (const md::message_builder& m : messages) {
        ++counts[md::byte_view(m.view().data(), m.view().size()).load<md::MsgType>(2)];
    }
    for (const auto& [type, count] : counts) {
        std::string name(md::enum_to_description::instance().describe(type));
        name.resize(40, ' ');
        expected.push_back("[I] " + name + " " + std::string(19, ' ') + std::to_string(count));
    }

    testing::dump_session dump({"--full-dump"});
    ASSERT_TRUE(dump.joined());
    for (std::size_t at = 0; at < stream.size(); at += 1400) {
        dump.send(stream.substr(at, 1400));
    }
    const auto result = dump.finish();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    ASSERT_FALSE(dump.log().empty());
    EXPECT_EQ(std::vector<std::string>(dump.log().begin() + 1, dump.log().end()), expected);
}

}  // namespace
}  // namespace tarn
