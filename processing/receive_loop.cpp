#include "processing/receive_loop.hpp"

#include <algorithm>

#include "md/header.hpp"
#include "processing/records.hpp"

namespace tarn {

namespace {

constexpr std::size_t length_size = sizeof(std::uint16_t);

std::size_t length_at(const char* bytes) {
    return md::byte_view(bytes, length_size).load<std::uint16_t>(md::length_offset);
}

// Hands one complete message of `message.size()` bytes to the processor.
void handle_message(md::processor& processor, md::byte_view message) {
    if (!message.holds(sizeof(md::Header))) {
        // Too short to be a message: nothing of it is read beyond its length.
        records::length_below_header(message.size(), sizeof(md::Header));
        processor.errors_ = true;
        return;
    }
    processor.msg_ = message.data();
    processor.header_ = reinterpret_cast<const md::Header*>(message.data());
    if (message.load<md::MsgType>(md::msg_type_offset) == md::MsgType::Heartbeat) {
        processor.process_heartbeat();
        return;
    }
    check_sequence(processor, message.load<std::uint32_t>(md::seq_num_offset));
    processor.process();
    if (processor.finished_) {
        return;
    }
    processor.check_finished();
}

}  // namespace

void check_sequence(md::processor& processor, unsigned int seq_num) {
    const unsigned int expected = processor.expected_seq_num_;
    ++processor.received_;
    if (expected == 0 || seq_num == 0 || seq_num == expected) {
        processor.expected_seq_num_ = seq_num + 1;
    } else if (seq_num < expected) {
        records::resend(seq_num, expected);
        processor.errors_ = true;
    } else {
        const unsigned int gap = seq_num - expected;
        records::gap(expected, seq_num, gap);
        processor.lost_ += gap;
        processor.errors_ = true;
        processor.expected_seq_num_ = seq_num + 1;
    }
}

bool message_framer::acceptable(std::size_t length) {
    if (length == 0) {
        return false;
    }
    if (length > carry_buffer_.size()) {
        // It could never complete: end now rather than wait for datagrams
        // that can only fill the carry.
        records::length_over_buffer(length, carry_buffer_.size());
        processor_.errors_ = true;
        return false;
    }
    return true;
}

void message_framer::handle(const char* message, std::size_t length) {
    handle_message(processor_, md::byte_view(message, length));
}

bool message_framer::complete_carried(std::span<const char> bytes, std::size_t& used) {
    const auto take = [&](std::size_t wanted) {
        const std::size_t taken = std::min(wanted, bytes.size() - used);
        std::copy_n(bytes.data() + used, taken, carry_buffer_.data() + carried_);
        carried_ += taken;
        used += taken;
    };
    // A single byte left over is never read as a length: it waits for the next.
    if (carried_ < length_size) {
        take(length_size - carried_);
        if (carried_ < length_size) {
            return true;
        }
    }
    const std::size_t length = length_at(carry_buffer_.data());
    if (!acceptable(length)) {
        return false;
    }
    take(length - carried_);
    if (carried_ < length) {
        return true;  // still incomplete: completed by a later datagram
    }
    carried_ = 0;
    handle(carry_buffer_.data(), length);
    return !processor_.finished_;
}

bool message_framer::frame(std::span<const char> bytes) {
    std::size_t used = 0;
    if (carried_ != 0 && !complete_carried(bytes, used)) {
        return false;
    }
    if (carried_ != 0) {
        return true;  // the whole datagram went into the carried message
    }
    while (bytes.size() - used >= length_size) {
        const std::size_t length = length_at(bytes.data() + used);
        if (!acceptable(length)) {
            return false;
        }
        if (length > bytes.size() - used) {
            break;  // incomplete: carried over to the next datagram
        }
        handle(bytes.data() + used, length);
        if (processor_.finished_) {
            return false;
        }
        used += length;
    }
    carried_ = bytes.size() - used;
    std::copy_n(bytes.data() + used, carried_, carry_buffer_.data());
    return true;
}

void receive_loop(md::processor& processor, datagram_source& source) {
    message_framer framer(processor);
    for (;;) {
        const std::optional<datagram> received = source.next();
        if (!received || received->bytes.empty()) {
            return;
        }
        if (!framer.frame(received->bytes.first(std::min(received->bytes.size(), framer.room())))) {
            return;
        }
    }
}

}  // namespace tarn
