#pragma once

#include <cstdint>

#include "md/enum_tables.hpp"
#include "md/msg_type.hpp"

namespace tarn::synth {

// The short names the message-writing code of md_synth uses: the widths of
// wire fields, the message types, and enumerated values by the names the
// tool prints for them (wire_value<md::Side>("Buy")).
using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i64 = std::int64_t;
using md::MsgType;
using md::wire_value;

}  // namespace tarn::synth
