#pragma once

#include <string>

namespace tarn::bench {

// True when a socket of this network namespace has joined `group` (an IPv4
// address in dotted form) on the loopback interface, as /proc/net/igmp lists it.
bool loopback_has_member(const std::string& group);

}  // namespace tarn::bench
