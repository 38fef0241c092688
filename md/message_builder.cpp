#include "md/message_builder.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "md/catalogue.hpp"

namespace tarn::md {

message_builder::message_builder(MsgType type, std::size_t size)
    : bytes_(std::max(size, sizeof(Header))) {
    put(length_offset, static_cast<std::uint16_t>(size));
    put(msg_type_offset, type);
    bytes_.resize(size);
}

message_builder::message_builder(MsgType type, const layout& of) : message_builder(type, of.size) {}

namespace {

const layout& layout_of(MsgType type) {
    const layout* body = find_layout(type);
    if (body == nullptr) {
        throw std::invalid_argument("no layout for message type " +
                                    std::to_string(static_cast<unsigned>(type)));
    }
    return *body;
}

const field* find_field(std::span<const field> fields, std::string_view name) {
    const auto found = std::ranges::find(fields, name, &field::name);
    return found != fields.end() ? &*found : nullptr;
}

}  // namespace

message_builder::message_builder(MsgType type) : message_builder(type, layout_of(type)) {}

const field& message_builder::field_named(std::string_view name) const {
    if (const field* in_header = find_field(header_layout.fields, name)) {
        return *in_header;
    }
    if (bytes_.size() >= msg_type_offset + sizeof(MsgType)) {
        MsgType type{};
        std::memcpy(&type, bytes_.data() + msg_type_offset, sizeof type);
        const layout* body = find_layout(type);
        if (const field* in_body = body != nullptr ? find_field(body->fields, name) : nullptr) {
            return *in_body;
        }
    }
    throw std::invalid_argument("no field " + std::string(name) + " in this message");
}

const field& message_builder::value_field(std::string_view name, std::size_t width) const {
    const field& f = field_named(name);
    if (!is_scalar(f.kind.kind)) {
        throw std::invalid_argument("field " + std::string(name) + " is not a single value");
    }
    if (f.kind.width != width) {
        throw std::invalid_argument("field " + std::string(name) + " is " +
                                    std::to_string(f.kind.width) + " bytes wide, not " +
                                    std::to_string(width));
    }
    return f;
}

message_builder& message_builder::set_text(std::string_view name, std::string_view value) {
    const field& f = field_named(name);
    if (f.kind.kind != value_kind::text && f.kind.kind != value_kind::ztext) {
        throw std::invalid_argument("field " + std::string(name) + " is not a text");
    }
    return text(f.offset, value, f.kind.width);
}

message_builder& message_builder::text(std::size_t offset, std::string_view value,
                                       std::size_t width) {
    grow_to(offset + width);
    const std::size_t count = std::min(value.size(), width);
    std::memcpy(bytes_.data() + offset, value.data(), count);
    std::memset(bytes_.data() + offset + count, 0, width - count);
    return *this;
}

void message_builder::grow_to(std::size_t size) {
    if (bytes_.size() < size) {
        bytes_.resize(size);
    }
}

}  // namespace tarn::md
