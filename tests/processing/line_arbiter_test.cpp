// The arbitration of a channel's A and B lines: rows of two interleaved line
// streams, each mapped to the events and figures worked out by hand. Every
// copy's message is its line's letter and its number ("A12"), so a delivery
// shows whose bytes came out, the held ones included.

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "processing/line_arbiter.hpp"

namespace tarn {
namespace {

// The figures as one line of text; each line's as first/missed/duplicates/
// resends/silences.
std::string text_of(const line_arbiter& arbiter) {
    const auto line = [&](line_id which) {
        const line_figures& l = arbiter.figures_of(which);
        return spdlog::fmt_lib::format("{}/{}/{}/{}/{}", l.first, l.missed, l.duplicates, l.resends,
                                       l.silences);
    };
    const channel_figures& c = arbiter.channel();
    return spdlog::fmt_lib::format(
        "delivered {} lost {} gaps {} full {} restarts {} raced {} | A {} | B {}", c.delivered,
        c.lost, c.gaps, c.store_full, c.restarts, arbiter.race().count(), line(line_id::a),
        line(line_id::b));
}

char letter(line_id line) { return line == line_id::a ? 'A' : 'B'; }

// The events as one line of text: "A3" a delivery of line A's copy of 3,
// "lost 2+1 window", "resend A 2<4", "silent B", "back B", "restart A".
class event_log final : public arbiter_sink {
  public:
    std::string text;

    void deliver(line_id from, std::uint32_t seq_num, md::byte_view message) override {
        const std::string bytes(message.data(), message.size());
        const std::string named = letter(from) + std::to_string(seq_num);
        add(bytes == named ? bytes : bytes + " delivered as " + named);
    }
    void lost(std::uint32_t first, std::uint32_t count, loss_cause cause) override {
        static const char* const causes[] = {"both_lines", "window", "store_full", "run_end"};
        add("lost " + std::to_string(first) + "+" + std::to_string(count) + " " +
            causes[static_cast<unsigned>(cause)]);
    }
    void resend(line_id on, std::uint32_t seq_num, std::uint32_t expected) override {
        add(std::string("resend ") + letter(on) + " " + std::to_string(seq_num) + "<" +
            std::to_string(expected));
    }
    void line_silent(line_id line) override { add(std::string("silent ") + letter(line)); }
    void line_back(line_id line) override { add(std::string("back ") + letter(line)); }
    void restart(line_id line) override { add(std::string("restart ") + letter(line)); }

  private:
    void add(const std::string& event) { text += (text.empty() ? "" : " ") + event; }
};

// Runs copies through an arbiter, then finishes it: "A3@10" is line A's
// copy of 3 at 10 µs, "-@20" only lets the time pass. The arbiter advances
// to each entry's time first.
std::string arbitrate(line_arbiter& arbiter, const char* copies) {
    event_log log;
    std::istringstream in(copies);
    for (std::string entry; in >> entry;) {
        const std::size_t at = entry.find('@');
        const std::uint64_t time_ns = std::stoull(entry.substr(at + 1)) * 1000;
        arbiter.advance(time_ns, log);
        if (entry[0] != '-') {
            const std::string message = entry.substr(0, at);
            arbiter.offer(entry[0] == 'A' ? line_id::a : line_id::b,
                          static_cast<std::uint32_t>(std::stoul(message.substr(1))), time_ns,
                          md::byte_view(message.data(), message.size()), log);
        }
    }
    arbiter.finish(log);
    for (const line_id line : {line_id::a, line_id::b}) {
        const line_figures& l = arbiter.figures_of(line);
        EXPECT_EQ(l.copies, l.first + l.duplicates) << letter(line);
    }
    EXPECT_EQ(arbiter.held(), 0U);
    return log.text;
}

constexpr arbiter_config small_store{.slots = 8, .arena_bytes = 1024};  // 20 ms window, 1 s silence
// Two messages "A3" of 2 bytes, 8 bytes each with their headers.
constexpr arbiter_config full_store{.slots = 4, .arena_bytes = 16};

struct row {
    const char* name;
    const char* copies;
    const char* events;
    const char* figures;
    arbiter_config config = small_store;
};

const std::vector<row> rows = {
    {"A ahead: B's copies are duplicates, never resends", "A1@0 B1@5 A2@10 B2@15 A3@20 B3@25",
     "A1 A2 A3", "delivered 3 lost 0 gaps 0 full 0 restarts 0 raced 3 | A 3/0/0/0/0 | B 0/0/3/0/0"},
    {"B ahead", "B1@0 A1@7 B2@10 A2@17", "B1 B2",
     "delivered 2 lost 0 gaps 0 full 0 restarts 0 raced 2 | A 0/0/2/0/0 | B 2/0/0/0/0"},
    {"a hole on A, filled by B: A's 3 waits, A missed 2", "A1@0 B1@1 A3@10 B2@11 B3@12 A4@20 B4@21",
     "A1 B2 A3 A4",
     "delivered 4 lost 0 gaps 0 full 0 restarts 0 raced 3 | A 3/1/0/0/0 | B 1/0/3/0/0"},
    {"a hole on B that A filled long before: B missed 2", "A1@0 B1@2 A2@10 A3@20 B3@22", "A1 A2 A3",
     "delivered 3 lost 0 gaps 0 full 0 restarts 0 raced 2 | A 3/0/0/0/0 | B 0/1/2/0/0"},
    {"a hole on both lines is lost as soon as both passed it", "A1@0 B1@1 A3@10 B3@11 A4@12",
     "A1 lost 2+1 both_lines A3 A4",
     "delivered 3 lost 1 gaps 1 full 0 restarts 0 raced 2 | A 3/0/0/0/0 | B 0/0/2/0/0"},
    {"reordering within A: its late 2 is a resend on A and fills the hole",
     "A1@0 B1@1 A3@10 A2@11 B2@12 B3@13", "A1 resend A 2<4 A2 A3",
     "delivered 3 lost 0 gaps 0 full 0 restarts 0 raced 3 | A 3/0/0/1/0 | B 0/0/3/0/0"},
    {"a number back on A is a resend, and B's copy of the next wins",
     "A1@0 B1@1 A2@10 B2@11 A1@20 B3@21 A2@30 A3@31", "A1 A2 resend A 1<3 B3 resend A 2<3",
     "delivered 3 lost 0 gaps 0 full 0 restarts 0 raced 3 | A 2/0/3/2/0 | B 1/0/2/0/0"},
    {"a hole waits the window and no longer; late copies are duplicates",
     "A1@0 B1@1 A3@10 A4@20 -@20010 -@20011 B2@20012 B3@20015 B4@20016", "A1 lost 2+1 window A3 A4",
     "delivered 3 lost 1 gaps 1 full 0 restarts 0 raced 3 | A 3/0/0/0/0 | B 0/0/4/0/0"},
    {"a full store loses its oldest hole, by bytes and by numbers",
     "A1@0 A3@1 A4@2 A5@3 A7@4 A10@5",
     "A1 lost 2+1 store_full A3 A4 A5 lost 6+1 store_full A7 lost 8+2 run_end A10",
     "delivered 6 lost 4 gaps 3 full 2 restarts 0 raced 0 | A 6/0/0/0/0 | B 0/0/0/0/0", full_store},
    {"a dead line is reported once, holes stop waiting for it, it comes back",
     "A1@0 B1@1 A2@10 B2@11 A3@500000 A4@1000011 A5@1000012 A7@1000030 B8@1000040 A8@1000045",
     "A1 A2 A3 A4 silent B A5 lost 6+1 both_lines A7 back B B8",
     "delivered 7 lost 1 gaps 1 full 0 restarts 0 raced 3 | A 6/0/1/0/0 | B 1/4/2/0/1"},
    {"a 0 restarts the run: old holes lost, B's old numbers duplicates until its own 0",
     "A1@0 B1@1 A2@10 B2@11 A4@15 A0@20 A1@30 B3@31 B0@40 B1@41 A2@50 B2@51",
     "A1 A2 lost 3+1 run_end A4 restart A A0 A1 A2",
     "delivered 6 lost 1 gaps 1 full 0 restarts 1 raced 5 | A 6/0/0/0/0 | B 0/0/6/0/0"},
    {"numbers wrap at 2^32 without a restart",
     "A4294967294@0 B4294967294@1 A4294967295@10 A1@20 B4294967295@21 B0@22 B1@23",
     "A4294967294 A4294967295 B0 A1",
     "delivered 4 lost 0 gaps 0 full 0 restarts 0 raced 3 | A 3/1/0/0/0 | B 1/0/3/0/0"},
};

TEST(LineArbiter, Rows) {
    for (const row& r : rows) {
        line_arbiter arbiter(r.config);
        EXPECT_EQ(arbitrate(arbiter, r.copies), r.events) << r.name;
        EXPECT_EQ(text_of(arbiter), r.figures) << r.name;
    }
}

// B minus A over the numbers both lines carried: +5, +7, -3 (B first), +9
// and +2 µs (A's held 6 against B's); 5 had B's copy only, 7 A's only.
TEST(LineArbiter, LineRace) {
    line_arbiter arbiter(small_store);
    arbitrate(arbiter, "A1@0 B1@5 A2@10 B2@17 B3@20 A3@23 A4@30 B4@39 A6@40 B5@41 B6@42 B7@50");
    const latency_histogram& race = arbiter.race();
    EXPECT_EQ(race.count(), 5U);
    EXPECT_EQ(race.min(), -3000);
    EXPECT_EQ(race.max(), 9000);
    // Percentiles to the histogram's 1/32.
    EXPECT_NEAR(static_cast<double>(race.percentile(0.5)), 5000, 5000.0 / 32);
    EXPECT_NEAR(static_cast<double>(race.percentile(0.99)), 9000, 9000.0 / 32);
    EXPECT_EQ(arbiter.figures_of(line_id::a).first, 4U);  // 1, 2, 4, 6
    EXPECT_EQ(arbiter.figures_of(line_id::b).first, 3U);  // 3, 5, 7
}

TEST(LineArbiter, SlotsMustBeAPowerOfTwo) {
    arbiter_config config;
    config.slots = 3000;
    EXPECT_THROW(line_arbiter{config}, std::invalid_argument);
}

}  // namespace
}  // namespace tarn
