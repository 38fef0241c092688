#pragma once

#include <string>

#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "md/layout_printer.hpp"
#include "md/message_builder.hpp"

namespace tarn::testing {

// The header text of a message.
inline std::string header_text(const md::message_builder& message) {
    md::text_stream out;
    md::write_header(out, md::byte_view(message.view().data(), message.view().size()));
    return std::string(out.view());
}

// The full text of a message by the layout of its type, or "" when the
// message is shorter than its layout.
inline std::string full_text(const md::message_builder& message) {
    const md::byte_view bytes(message.view().data(), message.view().size());
    const md::layout* body = md::find_layout(bytes.load<md::MsgType>(md::msg_type_offset));
    if (body == nullptr) {
        throw std::logic_error("no layout for this type");
    }
    md::text_stream out;
    if (!md::write_message(out, *body, bytes)) {
        return {};
    }
    return std::string(out.view());
}

}  // namespace tarn::testing
