#pragma once

#include <span>

#include "md/enums.hpp"
#include "md/layout.hpp"

namespace tarn::md {

// A message type that has a printer, and the layout of its body.
struct catalogue_entry {
    MsgType type;
    const layout* body;
};

// Every type of the catalogue but Heartbeat, which only ever shows its header.
std::span<const catalogue_entry> printable_messages();

// The layout of `type`, or null for Heartbeat and for unknown codes.
const layout* find_layout(MsgType type);

}  // namespace tarn::md
