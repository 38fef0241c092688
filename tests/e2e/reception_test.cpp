#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/version.hpp"
#include "dump_session.hpp"
#include "messages.hpp"
#include "render.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::header_text;

std::string info(const std::string& text) { return "[I] " + text; }

// The records after the start-up record.
std::vector<std::string> after_start(const std::vector<std::string>& log) {
    EXPECT_FALSE(log.empty());
    if (log.empty()) {
        return {};
    }
    EXPECT_EQ(
        log.front().rfind("[I] Start " MD_DUMP_BINARY " 2.1.1 " + std::string(revision_id), 0), 0U)
        << log.front();
    return {log.begin() + 1, log.end()};
}

// A short session: two orders with a heartbeat between them, a gap, a
// resend, then the end of the technical session.
struct session {
    md::message_builder first = testing::order_add(1);
    md::message_builder hb = testing::heartbeat();
    md::message_builder second = testing::order_add(2);
    md::message_builder gap = testing::order_add(5);
    md::message_builder resend = testing::order_add(3);
    md::message_builder end = testing::end_of_session(6);

    void send(testing::dump_session& dump) const {
        const std::string all = bytes_of(first) + bytes_of(hb) + bytes_of(second);
        dump.send(all.substr(0, 100));  // the second message is split
        dump.send(all.substr(100));
        dump.send(bytes_of(gap) + bytes_of(resend));
        dump.send(bytes_of(end) + bytes_of(testing::order_add(7)));  // never shown
    }
};

const std::string gap_record =
    "[E] Out of sync message. Expected seqNum 3, received seqNum 5, 2 messages lost";
const std::string resend_record = "[E] Resend of message with seqNum 3, expected seqNum 6";
const std::vector<std::string> anomaly_summary = {"[W] There were some errors.",
                                                  "[I] 5 messages received", "[W] 2 messages lost"};

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Reception : public ::testing::Test {
  protected:
    std::vector<std::string> run(const std::vector<std::string>& options) {
        testing::dump_session dump(options);
        EXPECT_TRUE(dump.joined());
        session{}.send(dump);
        const auto result = dump.finish();
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, "");
        return after_start(dump.log());
    }
    session s;
};

TEST_F(Reception, HeaderDisplay) {
    EXPECT_EQ(run({}), joined({info(header_text(s.first)), info(header_text(s.second)), gap_record,
                               info(header_text(s.gap)), resend_record, info(header_text(s.resend)),
                               info(header_text(s.end))},
                              anomaly_summary));
}

TEST_F(Reception, HeaderDisplayWithHeartbeats) {
    EXPECT_EQ(run({"--hb"}),
              joined({info(header_text(s.first)), info(header_text(s.hb)),
                      info(header_text(s.second)), gap_record, info(header_text(s.gap)),
                      resend_record, info(header_text(s.resend)), info(header_text(s.end))},
                     anomaly_summary));
}

const std::vector<std::string> type_rows = {
    "[I] OrderAdd" + std::string(32, ' ') + " " + std::string(19, ' ') + "4",
    "[I] TradingSessionStatus" + std::string(20, ' ') + " " + std::string(19, ' ') + "1"};

TEST_F(Reception, FullDisplay) {
    using testing::full_text;
    EXPECT_EQ(run({"--full-dump"}),
              joined(joined({info(full_text(s.first)), info(full_text(s.second)), gap_record,
                             info(full_text(s.gap)), resend_record, info(full_text(s.resend)),
                             info(full_text(s.end))},
                            anomaly_summary),
                     type_rows));
}

TEST_F(Reception, FullDisplayWithHeartbeats) {
    using testing::full_text;
    EXPECT_EQ(run({"--full-dump", "--hb"}),
              joined(joined({info(full_text(s.first)), info(header_text(s.hb)),
                             info(full_text(s.second)), gap_record, info(full_text(s.gap)),
                             resend_record, info(full_text(s.resend)), info(full_text(s.end))},
                            anomaly_summary),
                     type_rows));
}

TEST_F(Reception, SequenceChecking) {
    EXPECT_EQ(run({"--check-seq", "--full-dump", "--every", "0"}),
              joined({gap_record, resend_record}, anomaly_summary));
}

TEST(ReceptionEnds, AtLengthZeroAndAtAnEmptyDatagram) {
    for (const bool empty_datagram : {false, true}) {
        testing::dump_session dump({"--check-seq", "--every", "10"});
        ASSERT_TRUE(dump.joined());
        std::string burst;
        for (std::uint32_t seq = 1; seq <= 25; ++seq) {
            burst += bytes_of(testing::order_add(seq));
            if (seq % 5 == 0) {
                dump.send(burst);
                burst.clear();
            }
        }
        dump.send(empty_datagram ? std::string() : std::string(2, '\0'));
        const auto result = dump.finish();
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(after_start(dump.log()),
                  (std::vector<std::string>{"[I] 10 messages received so far",
                                            "[I] 20 messages received so far",
                                            "[I] 25 messages received"}));
    }
}

// Socket errors a user can cause end the run with the library's text and
// without a summary.
TEST(ReceptionFails, BadAddresses) {
    const auto failing = [](const std::string& local, const std::string& group) {
        std::filesystem::path log = std::filesystem::temp_directory_path() / "md_dump_e2e_bad.log";
        std::filesystem::remove(log);
        const auto result =
            testing::run_process({MD_DUMP_BINARY, "--local-ip", local, "--multicast-group", group,
                                  "--port", "31002", "--log", log.string()});
        EXPECT_EQ(result.status, 1);
        const auto lines = testing::log_messages(testing::read_file(log.string()));
        EXPECT_EQ(lines.size(), 1U) << "only the start-up record, no summary";
        std::filesystem::remove(log);
        return result.err;
    };
    EXPECT_EQ(failing("127.0.0.1", "localhost"), "Invalid argument\n");
    EXPECT_EQ(failing("::1", "239.255.1.2"), "bad address cast\n");
    EXPECT_EQ(failing("127.0.0.1", "ff05::1"), "bad address cast\n");
    EXPECT_EQ(failing("10.9.9.9", "239.255.1.2"), "set_option: No such device\n");
}

}  // namespace
}  // namespace tarn
