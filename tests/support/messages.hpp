#pragma once

#include <cstdint>
#include <string>

#include "md/message_builder.hpp"

namespace tarn::testing {

// An OrderAdd of 72 bytes with the given sequence number.
inline md::message_builder order_add(std::uint32_t seq_num) {
    md::message_builder m(md::MsgType::OrderAdd, 72);
    m.seq_num(seq_num).put<std::uint64_t>(42, 1000 + seq_num).put<std::uint32_t>(50, 7);
    return m;
}

inline md::message_builder heartbeat() { return {md::MsgType::Heartbeat, 42}; }

// A TradingSessionStatus of 55 bytes with the given event.
inline md::message_builder session_status(std::uint32_t seq_num, std::uint8_t event) {
    md::message_builder m(md::MsgType::TradingSessionStatus, 55);
    m.seq_num(seq_num).text(42, "XPAR", 4).put<std::uint8_t>(50, event);
    return m;
}

inline md::message_builder end_of_session(std::uint32_t seq_num) {
    return session_status(seq_num, 3);
}

inline std::string bytes_of(const md::message_builder& m) { return std::string(m.view()); }

}  // namespace tarn::testing
