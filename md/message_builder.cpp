#include "md/message_builder.hpp"

#include <algorithm>

namespace tarn::md {

message_builder::message_builder(MsgType type, std::size_t size)
    : bytes_(std::max(size, sizeof(Header))) {
    put(length_offset, static_cast<std::uint16_t>(size));
    put(msg_type_offset, type);
    bytes_.resize(size);
}

message_builder::message_builder(MsgType type, const layout& of) : message_builder(type, of.size) {}

message_builder& message_builder::text(std::size_t offset, std::string_view value,
                                       std::size_t width) {
    grow_to(offset + width);
    const std::size_t count = std::min(value.size(), width);
    std::memcpy(bytes_.data() + offset, value.data(), count);
    std::memset(bytes_.data() + offset + count, 0, width - count);
    return *this;
}

message_builder& message_builder::raw(std::size_t offset, std::string_view value) {
    grow_to(offset + value.size());
    std::memcpy(bytes_.data() + offset, value.data(), value.size());
    return *this;
}

void message_builder::grow_to(std::size_t size) {
    if (bytes_.size() < size) {
        bytes_.resize(size);
    }
}

}  // namespace tarn::md
