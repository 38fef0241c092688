#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "multicast.hpp"

namespace tarn {
namespace {

// The launcher's namespace routes multicast to lo: a datagram sent to a
// group comes back to a socket that joined it.
TEST(PrivateNetwork, MulticastLoopsBackOnLo) {
    testing::require_private_network();
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(30001);
    inet_pton(AF_INET, "239.255.0.1", &bound.sin_addr);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound), 0);
    ip_mreq membership{};
    inet_pton(AF_INET, "239.255.0.1", &membership.imr_multiaddr);
    inet_pton(AF_INET, "127.0.0.1", &membership.imr_interface);
    ASSERT_EQ(setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership), 0);

    testing::multicast_sender sender("239.255.0.1", 30001);
    sender.send("hello");
    pollfd ready{fd, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 2000), 1);
    char buffer[16] = {};
    EXPECT_EQ(recv(fd, buffer, sizeof buffer, 0), 5);
    EXPECT_EQ(std::string(buffer), "hello");
    close(fd);
}

}  // namespace
}  // namespace tarn
