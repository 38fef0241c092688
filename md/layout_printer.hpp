#pragma once

#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// The one printer that walks every layout.

// A field's value as its kind prescribes, without name or separators.
// `container` is the view of the message, block or element the field is in.
text_stream& write_value(text_stream& out, const field& f, byte_view container);

// Every field of `of` as "|name=value", a bare field as its value alone.
// `bytes` must hold of.size bytes.
text_stream& write_fields(text_stream& out, const layout& of, byte_view bytes);

// The full text of a message: the header text, then every body field. Writes
// nothing and returns false when the message is shorter than its layout.
bool write_message(text_stream& out, const layout& of, byte_view message);

}  // namespace tarn::md
