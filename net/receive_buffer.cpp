#include "net/receive_buffer.hpp"

#include <sys/socket.h>

#include <boost/system/system_error.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace tarn {

std::uint64_t granted_receive_buffer(int fd) {
    int size = 0;
    socklen_t length = sizeof size;
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, &length) != 0) {
        throw boost::system::system_error(
            boost::system::error_code(errno, boost::system::system_category()), "get_option");
    }
    return static_cast<std::uint64_t>(size);
}

std::uint64_t request_receive_buffer(int fd, std::uint64_t bytes) {
    const int asked = static_cast<int>(std::min<std::uint64_t>(bytes, INT_MAX));
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &asked, sizeof asked) != 0) {
        throw boost::system::system_error(
            boost::system::error_code(errno, boost::system::system_category()), "set_option");
    }
    std::uint64_t granted = granted_receive_buffer(fd);
    if (granted < bytes) {
        // Above net.core.rmem_max: only a process with CAP_NET_ADMIN may go
        // beyond it; for any other the kernel refuses and the size stays.
        if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &asked, sizeof asked) == 0) {
            granted = granted_receive_buffer(fd);
        }
    }
    return granted;
}

}  // namespace tarn
