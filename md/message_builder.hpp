#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

#include "md/enums.hpp"
#include "md/header.hpp"
#include "md/layout.hpp"

namespace tarn::md {

// Writes messages as they go on the wire: field values in, little-endian
// bytes out. Tests, fuzz seeds, benchmarks and the sample-session generator
// all build their messages with it.
class message_builder {
  public:
    // A message of `size` bytes, all zero but `length` (= size) and `MsgType`.
    message_builder(MsgType type, std::size_t size);
    // A message of the layout's size.
    message_builder(MsgType type, const layout& of);
    // A message of the size of its type's layout; throws std::invalid_argument
    // for a type without one (Heartbeat, unknown codes).
    explicit message_builder(MsgType type);

    // A value of any width at `offset`, little-endian.
    template <class T>
    requires std::is_trivially_copyable_v<T> message_builder& put(std::size_t offset, T value) {
        grow_to(offset + sizeof value);
        std::memcpy(bytes_.data() + offset, &value, sizeof value);
        return *this;
    }

    // A header or body field by its protocol name, as in the header's layout
    // or that of the message's type ("seqNum", "price"). Throws std::invalid_argument for a name
    // the layout does not have, a text, block or list field, or a value of another width.
    template <class T>
    requires std::is_trivially_copyable_v<T> message_builder& set(std::string_view name, T value) {
        return put(value_field(name, sizeof value).offset, value);
    }

    // A text field by its protocol name: cut to its width, the rest zero.
    message_builder& set_text(std::string_view name, std::string_view value);

    // The offset of a named field: blocks and list elements are written from it.
    std::size_t offset_of(std::string_view name) const { return field_named(name).offset; }

    // Text into a field of `width` bytes, cut to the width, the rest zero.
    message_builder& text(std::size_t offset, std::string_view value, std::size_t width);

    const std::vector<char>& bytes() const noexcept { return bytes_; }
    std::string_view view() const noexcept { return {bytes_.data(), bytes_.size()}; }

  private:
    void grow_to(std::size_t size);
    const field& field_named(std::string_view name) const;
    const field& value_field(std::string_view name, std::size_t width) const;

    std::vector<char> bytes_;
};

}  // namespace tarn::md
