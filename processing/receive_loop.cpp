#include "processing/receive_loop.hpp"

#include <cstring>
#include <vector>

#include "md/header.hpp"
#include "processing/records.hpp"

namespace tarn {

namespace {

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

void receive_loop(md::processor& processor, datagram_source& source) {
    std::vector<char> buffer(receive_buffer_size);
    std::size_t carry = 0;
    for (;;) {
        const std::size_t received = source.receive(buffer.data() + carry, buffer.size() - carry);
        if (received == 0) {
            return;
        }
        const std::size_t total = carry + received;
        std::size_t consumed = 0;
        // A single byte left over is never read as a length; it is carried.
        while (total - consumed >= sizeof(std::uint16_t)) {
            const md::byte_view rest(buffer.data() + consumed, total - consumed);
            const std::size_t length = rest.load<std::uint16_t>(md::length_offset);
            if (length == 0) {
                return;
            }
            if (length > buffer.size()) {
                // It could never complete: end now rather than wait for
                // datagrams that can only fill the carry.
                records::length_over_buffer(length, buffer.size());
                processor.errors_ = true;
                return;
            }
            if (length > rest.size()) {
                break;  // incomplete: completed by the next datagram
            }
            handle_message(processor, rest.sub(0, length));
            if (processor.finished_) {
                return;
            }
            consumed += length;
        }
        carry = total - consumed;
        if (carry != 0 && consumed != 0) {
            std::memmove(buffer.data(), buffer.data() + consumed, carry);
        }
    }
}

}  // namespace tarn
