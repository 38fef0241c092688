#include <gtest/gtest.h>

#include "multicast.hpp"

namespace tarn {
namespace {

// The launcher's namespace routes multicast to lo: a datagram sent to a
// group comes back to a socket that joined it.
TEST(PrivateNetwork, MulticastLoopsBackOnLo) {
    using testing::multicast_socket;
    multicast_socket member("239.255.0.1", 30001, multicast_socket::role::member);
    multicast_socket("239.255.0.1", 30001).send("hello");
    EXPECT_EQ(member.receive(std::chrono::seconds(2)), "hello");
}

}  // namespace
}  // namespace tarn
