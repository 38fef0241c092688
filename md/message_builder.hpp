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

    // Header fields.
    message_builder& length(std::uint16_t value) { return put(length_offset, value); }
    message_builder& version(std::uint16_t value) { return put(4, value); }
    message_builder& seq_num(std::uint32_t value) { return put(seq_num_offset, value); }
    message_builder& timestamp(std::uint64_t value) { return put(10, value); }
    message_builder& source_timestamp(std::uint64_t value) { return put(18, value); }
    message_builder& is_encrypted(std::uint8_t value) { return put(26, value); }
    message_builder& encryption_offset(std::uint64_t value) { return put(27, value); }
    message_builder& encryption_key_id(std::uint32_t value) { return put(35, value); }
    message_builder& session_id(std::uint16_t value) { return put(39, value); }
    message_builder& stream_id(std::uint8_t value) { return put(41, value); }

    // A value of any width at `offset`, little-endian.
    template <class T>
    requires std::is_trivially_copyable_v<T> message_builder& put(std::size_t offset, T value) {
        grow_to(offset + sizeof value);
        std::memcpy(bytes_.data() + offset, &value, sizeof value);
        return *this;
    }

    // Text into a field of `width` bytes, cut to the width, the rest zero.
    message_builder& text(std::size_t offset, std::string_view value, std::size_t width);

    // Raw bytes at `offset`.
    message_builder& raw(std::size_t offset, std::string_view value);

    const std::vector<char>& bytes() const noexcept { return bytes_; }
    std::string_view view() const noexcept { return {bytes_.data(), bytes_.size()}; }

  private:
    void grow_to(std::size_t size);

    std::vector<char> bytes_;
};

}  // namespace tarn::md
