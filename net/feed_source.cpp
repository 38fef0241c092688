#include "net/feed_source.hpp"

#include <netinet/in.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <boost/system/system_error.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "net/receive_batch.hpp"
#include "net/receive_buffer.hpp"
#include "processing/stop_request.hpp"
#include "processing/system_time.hpp"

namespace tarn {

namespace {

void set_option(int fd, int level, int name, int value) {
    if (setsockopt(fd, level, name, &value, sizeof value) != 0) {
        throw_system_error("set_option");
    }
}

in_addr address_of(const std::array<std::uint8_t, 4>& bytes) {
    in_addr address{};
    std::memcpy(&address, bytes.data(), bytes.size());
    return address;
}

}  // namespace

static_assert(feed_source::batch_size == receive_batch::size, "one batch fills every slot");

struct feed_source::batch : receive_batch {
    std::vector<epoll_event> events;

    explicit batch(std::size_t lines) : events(lines) {}
};

feed_source::feed_source(std::span<const udp_destination> lines,
                         const std::array<std::uint8_t, 4>& local, const line_settings& settings) {
    constexpr std::size_t most_lines = std::size_t{UINT16_MAX} + 1;
    if (lines.empty() || lines.size() > most_lines) {
        throw std::invalid_argument("a feed source has 1 to 65536 lines");
    }
    lines_.reserve(lines.size());
    ready_.reserve(lines.size());
    try {
        epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
        if (epoll_fd_ < 0) {
            throw_system_error("open");
        }
        for (const udp_destination& wanted : lines) {
            open_line(wanted, local, settings);
        }
        batch_ = std::make_unique<batch>(lines.size());
    } catch (...) {
        close_all();
        throw;
    }
}

feed_source::~feed_source() { close_all(); }

void feed_source::close_all() noexcept {
    for (const line& open : lines_) {
        close(open.fd);
    }
    lines_.clear();
    if (epoll_fd_ >= 0) {
        close(epoll_fd_);
    }
    epoll_fd_ = -1;
}

void feed_source::open_line(const udp_destination& to, const std::array<std::uint8_t, 4>& local,
                            const line_settings& settings) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw_system_error("open");
    }
    lines_.push_back({.destination = to, .fd = fd, .drops = {}});
    set_option(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    set_option(fd, IPPROTO_IP, IP_MULTICAST_ALL, 0);
    if (settings.receive_times) {
        enable_receive_times(fd);
    }
    if (settings.receive_buffer != 0) {
        granted_ = request_receive_buffer(fd, settings.receive_buffer);
    }
    const sockaddr_in bound{.sin_family = AF_INET,
                            .sin_port = htons(to.port),
                            .sin_addr = address_of(to.address),
                            .sin_zero = {}};
    if (bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        throw_system_error("bind");
    }
    const ip_mreq membership{.imr_multiaddr = bound.sin_addr, .imr_interface = address_of(local)};
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        throw_system_error("set_option");
    }
    epoll_event event{.events = EPOLLIN,
                      .data = {.u32 = static_cast<std::uint32_t>(lines_.size() - 1)}};
    if (epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &event) != 0) {
        throw_system_error("set_option");
    }
}

bool feed_source::wake_up_every(std::chrono::nanoseconds period) {
    // Rounded up to whole milliseconds, epoll's unit.
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(period).count();
    timeout_ms_ = static_cast<int>(std::clamp<std::int64_t>(milliseconds, 1, INT_MAX));
    return true;
}

std::optional<datagram> feed_source::next() {
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

bool feed_source::receive_batch() {
    for (;;) {
        while (!ready_.empty()) {
            if (turn_ >= ready_.size()) {
                turn_ = 0;
            }
            const std::uint16_t index = ready_[turn_];
            // MSG_TRUNC: the length of each datagram as sent, also when it is cut.
            const int count = receive_messages(lines_[index].fd, batch_->headers.data(), batch_size,
                                               MSG_DONTWAIT | MSG_TRUNC);
            if (count == static_cast<int>(batch_size)) {
                ++turn_;  // maybe more: its next turn comes after the other ready lines'
            } else {
                // Drained, as a short batch shows: epoll reports it again once more is in.
                ready_.erase(ready_.begin() + static_cast<std::ptrdiff_t>(turn_));
            }
            if (count > 0) {
                received_ = static_cast<unsigned>(count);
                batch_line_ = index;
                return true;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                throw_system_error("receive_from");
            }
        }
        const int ready = wait_for_lines();
        if (ready < 0) {
            return false;
        }
        if (ready == 0) {
            return true;  // a silent period: nothing received
        }
    }
}

int feed_source::wait_for_lines() {
    epoll_event* const events = batch_->events.data();
    const int room = static_cast<int>(batch_->events.size());
    for (;;) {
        int count = epoll_wait(epoll_fd_, events, room, 0);
        if (count == 0) {
            // The stop signals are blocked from the look at the note until the
            // wait, which unblocks them: one arriving in between interrupts
            // the wait rather than being missed by it.
            sigset_t stops;
            sigemptyset(&stops);
            sigaddset(&stops, SIGINT);
            sigaddset(&stops, SIGTERM);
            sigset_t previous;
            pthread_sigmask(SIG_BLOCK, &stops, &previous);
            errno = EINTR;
            count = stop_requested() ? -1
                                     : epoll_pwait(epoll_fd_, events, room, timeout_ms_, &previous);
            const int error = errno;
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            errno = error;
        }
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                ready_.push_back(static_cast<std::uint16_t>(events[i].data.u32));
            }
            return count;
        }
        if (count == 0) {
            return 0;
        }
        if (stop_requested()) {
            return -1;
        }
        if (errno != EINTR) {
            throw_system_error("epoll_wait");
        }
    }
}

datagram feed_source::take(unsigned index) {
    mmsghdr& header = batch_->headers[index];
    const std::size_t kept = std::min<std::size_t>(header.msg_len, receive_buffer_size);
    datagram result{.bytes = std::span<const char>(batch_->buffers[index].data(), kept),
                    .wire_size = header.msg_len,
                    .line_index = batch_line_};
    const sockaddr_in& sender = batch_->senders[index];
    std::memcpy(result.sender.data(), &sender.sin_addr, result.sender.size());
    result.sender_port = ntohs(sender.sin_port);
    result.time_ns = receive_time_of(header.msg_hdr);
    return result;
}

std::uint64_t feed_source::dropped(std::size_t line_index) {
    line& of = lines_.at(line_index);
    of.drops.update(kernel_drop_count(of.fd));
    return of.drops.total();
}

std::uint64_t feed_source::dropped() {
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        total += dropped(i);
    }
    return total;
}

}  // namespace tarn
