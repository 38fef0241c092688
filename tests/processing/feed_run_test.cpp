// A run of several channels and lines: datagrams of tagged lines in, the
// arbitrated records and each channel's summary block out.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "log_capture.hpp"
#include "messages.hpp"
#include "processing/feed_run.hpp"
#include "time_units.hpp"

namespace tarn {
namespace {

using testing::bytes_of;
using testing::error;
using testing::info;
using testing::order_add;
using testing::record;
using testing::warn;

using testing::ms;

// Datagrams of tagged lines from memory; running dry is a test error.
class feed_queue final : public feed_datagram_source {
  public:
    explicit feed_queue(std::size_t lines) : lines_(lines) {}

    feed_queue& add(std::uint16_t line, std::string bytes, std::uint64_t time_ns) {
        queued_.push_back({line, std::move(bytes), time_ns});
        return *this;
    }
    std::optional<datagram> next() override {
        if (queued_.empty()) {
            throw std::runtime_error("no datagram left");
        }
        current_ = std::move(queued_.front());
        queued_.pop_front();
        return datagram{.bytes = current_.bytes,
                        .wire_size = current_.bytes.size(),
                        .time_ns = current_.time_ns,
                        .line_index = current_.line};
    }
    std::size_t line_count() const override { return lines_.size(); }
    const udp_destination& destination(std::size_t line_index) const override {
        return lines_.at(line_index);
    }

  private:
    struct queued {
        std::uint16_t line = 0;
        std::string bytes;
        std::uint64_t time_ns = 0;
    };
    std::vector<udp_destination> lines_;
    std::deque<queued> queued_;
    queued current_;
};

std::string orders(std::initializer_list<std::uint32_t> seq_nums) {
    std::string bytes;
    for (const std::uint32_t seq : seq_nums) {
        bytes += bytes_of(order_add(seq));
    }
    return bytes;
}

struct sent {
    std::uint16_t line;  // 0: X/A, 1: X/B, 2: Y/A
    std::string bytes;
    std::uint64_t time_ns;
};

struct feed_case {
    const char* name;
    std::vector<sent> datagrams;
    std::uint32_t x_end;  // the sequence numbers of the ends of the session
    std::uint32_t y_end;
    std::vector<record> expected;  // the line race aside
};

// X has lines A and B, Y line A only; each ends with the end of the session
// at 900 ms, X's on line A.
std::vector<record> run_feed(const std::vector<sent>& datagrams, std::uint32_t x_end,
                             std::uint32_t y_end, records::form form = records::form::text,
                             figures_publisher* publisher = nullptr) {
    const testing::log_capture log;
    feed_queue source(3);
    for (const sent& d : datagrams) {
        source.add(d.line, d.bytes, d.time_ns);
    }
    source.add(0, bytes_of(testing::end_of_session(x_end)), 900 * ms)
        .add(2, bytes_of(testing::end_of_session(y_end)), 900 * ms);
    feed_settings settings;
    settings.form = form;
    feed_run run(
        {{"X", {{{239, 1, 1, 1}, 5000}, {{239, 1, 1, 2}, 5000}}}, {"Y", {{{239, 1, 1, 3}, 5001}}}},
        [form] {
            auto made = std::make_unique<md::seq_check_processor>();
            made->records_.use_form(form);
            return made;
        },
        settings);
    run.receive(source, nullptr, publisher);
    run.summarise();
    std::vector<record> written;
    for (const record& r : log.records()) {
        if (form == records::form::json || r.text.find("Line race") == std::string::npos) {
            written.push_back(r);
        }
    }
    return written;
}

TEST(feed_run, arbitrates_two_lines_and_checks_one_line_as_today) {
    const std::vector<feed_case> cases = {
        {"B fills the hole on A",
         {{0, orders({1}), 1 * ms},
          {1, orders({1}), 2 * ms},
          {0, orders({2, 4}), 3 * ms},
          {1, orders({2, 3, 4}), 4 * ms},
          {2, orders({1}), 5 * ms}},
         5,
         2,
         {info("X 5 messages received"),
          info("X/A 3 datagrams, 4 messages first, 1 missed, 0 duplicates, 0 socket drops"),
          info("X/B 2 datagrams, 1 messages first, 0 missed, 3 duplicates, 0 socket drops"),
          info("Y 2 messages received"),
          info("Y/A 2 datagrams, 2 messages first, 0 missed, 0 duplicates, 0 socket drops"),
          info("7 messages received")}},
        {"a hole on both lines is lost, reported once",
         {{0, orders({1, 2, 4}), 1 * ms}, {1, orders({1, 2, 4}), 2 * ms}, {2, orders({1}), 3 * ms}},
         5,
         2,
         {error("X 1 messages lost, seqNum 3 to 3: missing on both lines"),
          warn("X There were some errors."), info("X 4 messages received"),
          warn("X 1 messages lost"),
          info("X/A 2 datagrams, 4 messages first, 0 missed, 0 duplicates, 0 socket drops"),
          info("X/B 1 datagrams, 0 messages first, 0 missed, 3 duplicates, 0 socket drops"),
          info("Y 2 messages received"),
          info("Y/A 2 datagrams, 2 messages first, 0 missed, 0 duplicates, 0 socket drops"),
          warn("There were some errors."), info("6 messages received"), warn("1 messages lost")}},
        {"a hole waits no longer than the window; Y's gap as today, with its line",
         {{0, orders({1}), 1 * ms},
          {1, orders({1}), 1 * ms},
          {0, orders({3}), 2 * ms},
          {2, orders({1, 4}), 30 * ms}},
         4,
         5,
         {error("X 1 messages lost, seqNum 2 to 2: not filled within the arbitration window"),
          error("Y/A Out of sync message. Expected seqNum 2, received seqNum 4, 2 messages lost"),
          warn("X There were some errors."), info("X 3 messages received"),
          warn("X 1 messages lost"),
          info("X/A 3 datagrams, 3 messages first, 0 missed, 0 duplicates, 0 socket drops"),
          info("X/B 1 datagrams, 0 messages first, 0 missed, 1 duplicates, 0 socket drops"),
          warn("Y There were some errors."), info("Y 3 messages received"),
          warn("Y 2 messages lost"),
          info("Y/A 2 datagrams, 3 messages first, 0 missed, 0 duplicates, 0 socket drops"),
          warn("There were some errors."), info("6 messages received"), warn("3 messages lost")}},
        {"each line frames its own datagrams; a bad length costs its line one datagram",
         {{0, orders({1}) + orders({2}).substr(0, 30), 1 * ms},
          {1, orders({1}), 2 * ms},
          {0, orders({2}).substr(30) + orders({3}), 3 * ms},
          {1, "\xff\xff" + orders({9}), 4 * ms},
          {1, orders({4}), 5 * ms},
          {2, orders({1}), 6 * ms}},
         5,
         2,
         {error("X/B Message length 65535 exceeds the 4096-byte receive buffer; the line's "
                "framing starts again at its next datagram"),
          warn("X There were some errors."), info("X 5 messages received"),
          info("X/A 3 datagrams, 4 messages first, 1 missed, 0 duplicates, 0 socket drops"),
          info("X/B 3 datagrams, 1 messages first, 2 missed, 1 duplicates, 0 socket drops"),
          info("Y 2 messages received"),
          info("Y/A 2 datagrams, 2 messages first, 0 missed, 0 duplicates, 0 socket drops"),
          warn("There were some errors."), info("7 messages received")}},
    };
    for (const feed_case& c : cases) {
        EXPECT_EQ(run_feed(c.datagrams, c.x_end, c.y_end), c.expected) << c.name;
    }
}

TEST(feed_run, json_records_name_channel_and_line_and_the_summary_holds_each_channel) {
    const std::vector<record> written = run_feed(
        {{0, orders({1, 3}), 1 * ms}, {1, orders({1, 2, 3}), 2 * ms}, {2, orders({1}), 3 * ms}}, 4,
        2, records::form::json);
    ASSERT_FALSE(written.empty());
    const std::string& summary = written.back().text;
    EXPECT_NE(
        summary.find(R"("channels":{"X":{"received":4,"lost":0,"lines":{"A":{"datagrams":2,)"
                     R"("first":3,"missed":1,"duplicates":0,"socket_drops":0},"B":{)"
                     R"("datagrams":1,"first":1,"missed":0,"duplicates":2,"socket_drops":0}},)"
                     R"("race":{)"),
        std::string::npos)
        << summary;
    EXPECT_NE(summary.find(R"("Y":{"received":2,"lost":0,"lines":{"A":{"datagrams":2,"first":2,)"
                           R"("missed":0,"duplicates":0,"socket_drops":0}},"race":null})"),
              std::string::npos)
        << summary;
}

// Keeps the last figures published.
struct last_figures final : figures_publisher {
    void publish(const published_figures& figures) override { last = figures; }
    published_figures last;
};

TEST(feed_run, publishes_each_channel_and_line) {
    last_figures published;
    run_feed({{0, orders({1}), 1 * ms},
              {1, orders({1}), 2 * ms},
              {0, orders({2, 4}), 3 * ms},
              {1, orders({2, 3, 4}), 4 * ms},
              {2, orders({1, 3}), 5 * ms}},
             5, 4, records::form::text, &published);
    ASSERT_EQ(published.last.channels.size(), 2U);
    const published_channel& x = published.last.channels[0];
    const published_channel& y = published.last.channels[1];
    EXPECT_EQ(x.name, "X");
    EXPECT_EQ(x.messages, 5U);
    EXPECT_EQ(x.last_seq_num, 5U);
    ASSERT_EQ(x.lines.size(), 2U);
    EXPECT_EQ(x.lines[0].name, "A");
    EXPECT_EQ(x.lines[0].datagrams, 3U);
    EXPECT_EQ(x.lines[0].missed, 1U);
    EXPECT_EQ(x.lines[1].duplicates, 3U);
    EXPECT_EQ(x.lines[1].bytes, 4U * 72);
    EXPECT_EQ(y.messages, 3U);
    EXPECT_EQ(y.lost, 1U);
    EXPECT_EQ(y.gaps, 1U);
    ASSERT_EQ(y.lines.size(), 1U);
}

}  // namespace
}  // namespace tarn
