#pragma once

#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// The text of messages, written by walking their layouts (layout_walk.hpp).

// Every field of `of` as "|name=value", a bare field as its value alone.
// `bytes` must hold of.size bytes.
text_stream& write_fields(text_stream& out, const layout& of, byte_view bytes);

// The full text of a message: the header text, then every body field. Writes
// nothing and returns false when the message is shorter than its layout.
bool write_message(text_stream& out, const layout& of, byte_view message);

}  // namespace tarn::md
