#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <boost/system/system_error.hpp>

#include <array>
#include <cerrno>
#include <ctime>

#include "processing/datagram_source.hpp"

namespace tarn {

// The library's system_error for `operation`, from errno, as Boost.Asio
// reports a failed socket call.
[[noreturn]] inline void throw_system_error(const char* operation) {
    throw boost::system::system_error(
        boost::system::error_code(errno, boost::system::system_category()), operation);
}

// recvmmsg(2) called directly. In a process with other threads (those of
// the metrics endpoint) the C library's wrapper turns thread cancellation on
// and off around each call, which costs about as many instructions as the
// rest of a datagram's receipt; no thread here is ever cancelled.
inline int receive_messages(int fd, mmsghdr* headers, unsigned count, int flags) {
    return static_cast<int>(syscall(SYS_recvmmsg, fd, headers, count, flags, nullptr));
}

// The slots one recvmmsg call fills: up to `size` datagrams, each with its
// own receive_buffer_size bytes, its sender and room for the control message
// of its receive time.
struct receive_batch {
    static constexpr unsigned size = 64;
    static constexpr std::size_t control_size = CMSG_SPACE(sizeof(timespec));

    std::array<std::array<char, receive_buffer_size>, size> buffers{};
    std::array<iovec, size> slots{};
    std::array<sockaddr_in, size> senders{};
    struct alignas(cmsghdr) control_block {
        std::array<char, control_size> bytes;
    };
    std::array<control_block, size> controls{};
    std::array<mmsghdr, size> headers{};

    receive_batch() {
        for (unsigned i = 0; i < size; ++i) {
            slots[i] = {buffers[i].data(), buffers[i].size()};
            headers[i].msg_hdr.msg_iov = &slots[i];
            headers[i].msg_hdr.msg_iovlen = 1;
            headers[i].msg_hdr.msg_name = &senders[i];
            reset(i);
        }
    }

    // The first `used` slots, ready for the next call.
    void reuse(unsigned used) {
        for (unsigned i = 0; i < used; ++i) {
            reset(i);
        }
    }

    // The kernel writes the sizes it used over these: set them again before a slot is reused.
    void reset(unsigned i) {
        headers[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
        headers[i].msg_hdr.msg_control = controls[i].bytes.data();
        headers[i].msg_hdr.msg_controllen = control_size;
    }
};

}  // namespace tarn
