// md_dump over real multicast in the private namespace, in every mode.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
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

// Runs the built md_dump on the test group with `options`, sends `datagrams`
// and returns its records after the start-up record. The run must end
// cleanly once the datagrams are sent.
std::vector<std::string> dump(const std::vector<std::string>& options,
                              const std::vector<std::string>& datagrams) {
    const auto log = testing::log_messages(testing::dump_session::clean_run(options, datagrams));
    EXPECT_TRUE(!log.empty() && log.front().starts_with("[I] Start " MD_DUMP_BINARY " 2.1.1 " +
                                                        std::string(revision_id)))
        << "no start-up record";
    return log.empty() ? log : std::vector<std::string>(log.begin() + 1, log.end());
}

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
        m.seq_num(seq_num).timestamp(1700000000000000000ULL + seq_num);
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
        EXPECT_EQ(dump(options, datagrams), expected) << options.size() << " options";
    }
}

// Reception also ends at a length of zero (at an empty datagram: see the
// JSON runs), and sequence checking writes its progress every `every` messages.
TEST(Reception, EndsAtLengthZero) {
    std::vector<std::string> datagrams(6);
    for (std::uint32_t seq = 1; seq <= 25; ++seq) {
        datagrams[(seq - 1) / 5] += bytes_of(testing::order_add(seq));
    }
    datagrams.back() = std::string(2, '\0');
    EXPECT_EQ(
        dump({"--check-seq", "--every", "10"}, datagrams),
        (std::vector<std::string>{"[I] 10 messages received so far",
                                  "[I] 20 messages received so far", "[I] 25 messages received"}));
}

// Socket errors a user can cause end the run with the library's text and
// without a summary: the log has the start-up record only.
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
        EXPECT_EQ(testing::log_messages(testing::read_file(log_path)).size(), 1U);
        std::filesystem::remove(log_path);
    }
}

}  // namespace
}  // namespace tarn
