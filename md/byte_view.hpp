#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tarn::md {

static_assert(std::endian::native == std::endian::little,
              "the protocol is little-endian and its header is viewed in place");

// A non-owning view of exactly `size` received bytes. Every read goes through
// `load` or `sub`, which stay inside the view; the callers check the size once
// against the layout they are about to read, so the per-read checks are
// assertions only.
class byte_view {
  public:
    constexpr byte_view() noexcept = default;
    constexpr byte_view(const char* data, std::size_t size) noexcept : data_(data), size_(size) {}

    constexpr const char* data() const noexcept { return data_; }
    constexpr std::size_t size() const noexcept { return size_; }

    // True when the view holds at least `bytes` bytes.
    constexpr bool holds(std::size_t bytes) const noexcept { return size_ >= bytes; }

    // The little-endian value of type T at `offset`, read without alignment.
    template <class T>
    requires std::is_trivially_copyable_v<T> T load(std::size_t offset)
    const noexcept {
        assert(offset <= size_ && sizeof(T) <= size_ - offset);
        T value;
        std::memcpy(&value, data_ + offset, sizeof(T));
        return value;
    }

    // The `length` bytes from `offset` on.
    constexpr byte_view sub(std::size_t offset, std::size_t length) const noexcept {
        assert(offset <= size_ && length <= size_ - offset);
        return {data_ + offset, length};
    }

  private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tarn::md
