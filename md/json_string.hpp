#pragma once

#include <string_view>

#include "md/text_stream.hpp"

namespace tarn::md {

// `bytes` as a JSON string. Valid UTF-8 stays as it is. '"' and '\' are
// escaped, and so is every control character (0x00 to 0x1F, 0x7F, U+0080 to
// U+009F) and U+2028 and U+2029, as \u00XX and the like, so a string cannot
// break a line or drive a terminal. A byte that is not part of valid UTF-8
// becomes the private-use character U+F700 + byte ("\uf7ff" for 0xFF); UTF-8
// that encodes a character of that range (U+F780 to U+F7FF) is written byte
// by byte the same way. A reader gets the exact bytes back by mapping the
// characters U+F780 to U+F7FF to their bytes and encoding the rest as UTF-8.
text_stream& write_json_string(text_stream& out, std::string_view bytes);

}  // namespace tarn::md
