#pragma once

#include <string_view>

#include "md/byte_view.hpp"
#include "md/json_string.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// Messages as JSON: the layouts the text is written from, walked by the
// same walk (layout_walk.hpp). A message becomes members of its record's object, each written as
// ,"name":value behind the member the record opens with, under the names of
// the text form and nested as the layouts nest:
//
//   integers, flags  numbers with every digit: 18446744073709551615, -1
//   enumerations     {"value":9,"name":"OrderAdd"}; "name":null for a value
//                    outside its table
//   timestamps       {"ns":1700000000123456789,"utc":"2023-11-14T22:13:20.123456789"}
//   text(N)          a string of the N bytes without their trailing zero bytes
//                    (the padding; a reader pads back to N)
//   ztext(N)         a string of the bytes before the first zero byte
//   blocks           objects
//   lists            arrays; an element that is one bare value is that value
//   counted lists    {"count":2,"elements":[...]}, the count as received and
//                    the elements that exist
//
// Strings hold the field's bytes as write_json_string (json_string.hpp)
// writes them.

// The header's fields as members. A view shorter than the header gives only
// the fields that lie wholly inside it.
text_stream& write_json_header(text_stream& out, byte_view header);

// The same as an object of its own: {"length":...,"streamId":...}.
text_stream& write_json_header_object(text_stream& out, byte_view header);

// The members of the fields of `of`, after members written before them; the
// caller has checked that `bytes` holds the whole layout.
text_stream& write_json_fields(text_stream& out, const layout& of, byte_view bytes);

// The header's members, then every body member. Writes nothing and returns
// false when the message is shorter than its layout.
bool write_json_message(text_stream& out, const layout& of, byte_view message);

}  // namespace tarn::md
