#pragma once

#include <string>

namespace tarn::bench {

// True when a socket of this network namespace has joined `group` (an IPv4
// address in dotted form) on the loopback interface, as /proc/net/igmp lists it.
bool loopback_has_member(const std::string& group);

// True while the socket bound to `group` and `port` has datagrams queued, as
// /proc/net/udp shows its receive queue.
bool socket_has_queued(const std::string& group, unsigned port);

}  // namespace tarn::bench
