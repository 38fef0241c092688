#pragma once

#include <cstdint>

namespace tarn {

// Asks for a socket receive buffer of `bytes` (SO_RCVBUF; SO_RCVBUFFORCE
// where the system's maximum is lower and the process may exceed it) and
// returns the size the kernel reports granted. The kernel doubles what it is
// given, to count its own bookkeeping. Throws the library's set-option error
// when the request is refused outright.
std::uint64_t request_receive_buffer(int fd, std::uint64_t bytes);

// The size the kernel reports for the socket's receive buffer now.
std::uint64_t granted_receive_buffer(int fd);

}  // namespace tarn
