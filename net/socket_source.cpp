#include "net/socket_source.hpp"

#include <linux/sock_diag.h>

#include <boost/system/system_error.hpp>

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "net/receive_batch.hpp"
#include "processing/stop_request.hpp"
#include "processing/system_time.hpp"

namespace tarn {

void enable_receive_times(int fd) {
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0) {
        throw_system_error("set_option");
    }
}

std::uint64_t receive_time_of(msghdr& message) {
    // The time comes first, when it is the only control message or ahead of
    // those of the IP level.
    const auto time_of = [](const cmsghdr* control) {
        timespec time{};
        std::memcpy(&time, CMSG_DATA(control), sizeof time);
        return nanoseconds_of(time);
    };
    cmsghdr* const first = CMSG_FIRSTHDR(&message);
    if (first != nullptr && first->cmsg_level == SOL_SOCKET && first->cmsg_type == SCM_TIMESTAMPNS)
        [[likely]] {
        return time_of(first);
    }
    std::uint64_t time_ns = 0;
    for (cmsghdr* control = first; control != nullptr; control = CMSG_NXTHDR(&message, control)) {
        if (control->cmsg_level == SOL_SOCKET && control->cmsg_type == SCM_TIMESTAMPNS) {
            time_ns = time_of(control);
        }
    }
    return time_ns;
}

std::uint32_t kernel_drop_count(int fd) {
    std::array<std::uint32_t, SK_MEMINFO_VARS> memory{};
    socklen_t length = sizeof memory;
    if (getsockopt(fd, SOL_SOCKET, SO_MEMINFO, memory.data(), &length) != 0) {
        throw_system_error("get_option");
    }
    return memory[SK_MEMINFO_DROPS];
}

static_assert(socket_source::batch_size == receive_batch::size, "one batch fills every slot");

struct socket_source::batch : receive_batch {
    socket_woken_on_stop wake;

    explicit batch(int fd) : wake(fd) {}
};

socket_source::socket_source(int fd) : fd_(fd), batch_(std::make_unique<batch>(fd)) {}

socket_source::~socket_source() = default;

bool socket_source::wake_up_every(std::chrono::nanoseconds period) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(period);
    const auto micro = std::chrono::duration_cast<std::chrono::microseconds>(period - seconds);
    const timeval timeout{.tv_sec = seconds.count(), .tv_usec = micro.count()};
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) {
        throw_system_error("set_option");
    }
    wakes_up_ = true;
    return true;
}

std::optional<datagram> socket_source::next() {
    if (next_ == received_) {
        batch_->reuse(received_);
        next_ = received_ = 0;
        if (!receive_batch()) {
            return std::nullopt;
        }
        if (received_ == 0) {
            return idle_datagram(system_time_ns());
        }
    }
    return take(next_++);
}

bool socket_source::receive_batch() {
    for (;;) {
        // MSG_TRUNC: the length of each datagram as sent, also when it is cut.
        const int count =
            receive_messages(fd_, batch_->headers.data(), batch_size, MSG_WAITFORONE | MSG_TRUNC);
        if (count > 0) {
            received_ = static_cast<unsigned>(count);
            return true;
        }
        if (stop_requested()) {
            return false;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wakes_up_) {
            return true;  // a silent period: nothing received
        }
        if (count < 0 && errno != EINTR) {
            throw_system_error("receive_from");
        }
    }
}

datagram socket_source::take(unsigned index) {
    mmsghdr& header = batch_->headers[index];
    const std::size_t kept = std::min<std::size_t>(header.msg_len, receive_buffer_size);
    datagram result{.bytes = std::span<const char>(batch_->buffers[index].data(), kept),
                    .wire_size = header.msg_len};
    const sockaddr_in& sender = batch_->senders[index];
    std::memcpy(result.sender.data(), &sender.sin_addr, result.sender.size());
    result.sender_port = ntohs(sender.sin_port);
    result.time_ns = receive_time_of(header.msg_hdr);
    return result;
}

std::uint64_t socket_source::dropped() {
    drops_.update(kernel_drop_count(fd_));
    return drops_.total();
}

}  // namespace tarn
