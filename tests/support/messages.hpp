#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "md/catalogue.hpp"
#include "md/layout_printer.hpp"
#include "md/message_builder.hpp"
#include "processing/md_processors.hpp"

namespace tarn::testing {

// An OrderAdd of 72 bytes with the given sequence number.
inline md::message_builder order_add(std::uint32_t seq_num) {
    md::message_builder m(md::MsgType::OrderAdd, 72);
    m.set("seqNum", seq_num).put<std::uint64_t>(42, 1000 + seq_num).put<std::uint32_t>(50, 7);
    return m;
}

inline md::message_builder heartbeat() { return {md::MsgType::Heartbeat, 42}; }

// A TradingSessionStatus of 55 bytes with the given event.
inline md::message_builder session_status(std::uint32_t seq_num, std::uint8_t event) {
    md::message_builder m(md::MsgType::TradingSessionStatus, 55);
    m.set("seqNum", seq_num).text(42, "XPAR", 4).put<std::uint8_t>(50, event);
    return m;
}

inline md::message_builder end_of_session(std::uint32_t seq_num) {
    return session_status(seq_num, 3);
}

inline std::string bytes_of(const md::message_builder& m) { return std::string(m.view()); }

inline md::byte_view view_of(const md::message_builder& m) {
    return {m.view().data(), m.view().size()};
}

// The header text of a message.
inline std::string header_text(const md::message_builder& m) {
    md::text_stream out;
    md::write_header(out, view_of(m));
    return std::string(out.view());
}

// The full text of a message by the layout of its type, or "" when the
// message is shorter than its layout.
inline std::string full_text(const md::message_builder& m) {
    const md::layout* body = md::find_layout(view_of(m).load<md::MsgType>(md::msg_type_offset));
    if (body == nullptr) {
        throw std::logic_error("no layout for this type");
    }
    md::text_stream out;
    return md::write_message(out, *body, view_of(m)) ? std::string(out.view()) : "";
}

// Points a processor at a copy of `m` of exactly its size, as the receive
// loop does, and calls `step` (process by default).
inline void hand_over(md::processor& p, const md::message_builder& m,
                      void (md::processor::*step)() = &md::processor::process) {
    const std::vector<char> bytes(m.bytes());
    const md::byte_view view(bytes.data(), bytes.size());
    p.set_current(view, view.load<md::MsgType>(md::msg_type_offset));
    (p.*step)();
}

}  // namespace tarn::testing
