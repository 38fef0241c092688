#include "datagram_packer.hpp"

#include <algorithm>
#include <stdexcept>

namespace tarn::synth {

namespace {

// From the last byte being ready to the datagram on the wire.
constexpr std::uint64_t send_latency_ns = 2'000;
// How often a message that does not fit is split rather than moved.
constexpr unsigned split_percent = 40;

}  // namespace

datagram_packer::datagram_packer(random_source& random, std::size_t datagram_size,
                                 bool whole_messages)
    : random_(random), datagram_size_(datagram_size), whole_messages_(whole_messages) {
    if (datagram_size == 0) {
        throw std::invalid_argument("a datagram holds at least one byte");
    }
}

void datagram_packer::pack(std::span<const stamped_message> burst, std::vector<datagram>& out) {
    for (const stamped_message& message : burst) {
        std::string_view rest = message.bytes;
        const std::size_t room = datagram_size_ - open_.payload.size();
        if (rest.size() > room && !open_.payload.empty() &&
            (rest.size() <= datagram_size_ &&
             (!random_.chance(split_percent) || whole_messages_))) {
            // Moved whole to the next datagram. The choice is drawn also for
            // whole messages, so the session itself stays the same.
            close(out);
        }
        const bool splits = rest.size() > datagram_size_ - open_.payload.size();
        while (!rest.empty()) {
            const std::size_t take = std::min(rest.size(), datagram_size_ - open_.payload.size());
            open_.payload.append(rest.substr(0, take));
            open_.time_ns = std::max(open_.time_ns, message.time_ns);
            rest.remove_prefix(take);
            if (!rest.empty()) {
                close(out);
            }
        }
        if (splits) {
            ++split_messages_;
        }
        if (open_.payload.size() == datagram_size_) {
            close(out);
        }
    }
    if (!open_.payload.empty()) {
        close(out);
    }
}

void datagram_packer::close(std::vector<datagram>& out) {
    last_time_ = std::max(last_time_, open_.time_ns + send_latency_ns);
    open_.time_ns = last_time_;
    out.push_back(std::move(open_));
    open_ = {};
}

}  // namespace tarn::synth
