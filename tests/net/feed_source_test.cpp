// The receiver of several lines in one thread, over real multicast in the
// private namespace.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "multicast.hpp"
#include "net/feed_source.hpp"
#include "processing/stop_request.hpp"

namespace tarn {
namespace {

using namespace std::chrono_literals;

// Two lines on one port and a third on another, while a bystander has joined
// a fourth group on the first port: each line gets exactly its own datagrams,
// tagged with it, in order. All are queued before the first is read, so the
// first three batches show the lines taking turns.
TEST(FeedSource, EachLineItsOwnGroupAndPortInTurns) {
    testing::require_private_network();
    const std::vector<udp_destination> lines = {
        {{239, 9, 0, 1}, 5300}, {{239, 9, 0, 2}, 5300}, {{239, 9, 0, 3}, 5301}};
    const std::vector<std::string> groups = {"239.9.0.1", "239.9.0.2", "239.9.0.3", "239.9.0.4"};
    feed_source source(lines, {127, 0, 0, 1}, {.receive_buffer = 1 << 20, .receive_times = true});
    EXPECT_TRUE(source.wake_up_every(50ms));
    const std::vector<udp_destination> elsewhere = {{{239, 9, 0, 4}, 5300}};
    const feed_source bystander(elsewhere, {127, 0, 0, 1});
    constexpr int per_line = 100;
    for (std::size_t group = 0; group < groups.size(); ++group) {
        testing::multicast_socket sender(groups[group], group == 2 ? 5301 : 5300);
        for (int i = 0; i < per_line; ++i) {
            sender.send(std::to_string(group) + " " + std::to_string(i));
        }
    }
    std::vector<int> next_of_line(lines.size(), 0);
    std::vector<int> first_batches(lines.size(), 0);
    int received = 0;
    for (int idle = 0; idle < 4;) {  // 200 ms of silence ends it
        const std::optional<datagram> got = source.next();
        ASSERT_TRUE(got);
        if (got->idle) {
            ++idle;
            continue;
        }
        const std::size_t line = got->line_index;
        ASSERT_LT(line, lines.size());
        EXPECT_EQ(std::string(got->bytes.begin(), got->bytes.end()),
                  std::to_string(line) + " " + std::to_string(next_of_line[line]++));
        EXPECT_NE(got->time_ns, 0U);
        if (received++ < static_cast<int>(3 * feed_source::batch_size)) {
            ++first_batches[line];
        }
    }
    EXPECT_EQ(next_of_line, std::vector<int>(lines.size(), per_line));
    EXPECT_EQ(first_batches, std::vector<int>(lines.size(), feed_source::batch_size));
    EXPECT_EQ(source.dropped(), 0U);
    EXPECT_GE(source.receive_buffer_granted(), 1U << 20);

    // A stop signal noted before the wait ends it at once.
    stop_signal().store(SIGINT);
    EXPECT_FALSE(source.next());
    stop_signal().store(0);
}

}  // namespace
}  // namespace tarn
