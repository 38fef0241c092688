#include "md/text_stream.hpp"

#include <memory>

namespace tarn::md {

text_stream& message_text() {
    // Created on first use and released at process exit.
    static const auto stream = std::make_unique<text_stream>();
    return *stream;
}

}  // namespace tarn::md
