#include "processing/hold_arena.hpp"

#include <cstring>
#include <limits>

namespace tarn {

namespace {

constexpr std::uint32_t round_down_to_4(std::size_t bytes) {
    const std::size_t largest = std::numeric_limits<std::uint32_t>::max() & ~std::size_t{3};
    return static_cast<std::uint32_t>((bytes < largest ? bytes : largest) & ~std::size_t{3});
}

}  // namespace

hold_arena::hold_arena(std::size_t bytes)
    : bytes_(std::make_unique_for_overwrite<char[]>(round_down_to_4(bytes))),
      size_(round_down_to_4(bytes)) {}

std::uint32_t hold_arena::header_at(std::uint32_t position) const noexcept {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes_.get() + position, sizeof value);
    return value;
}

void hold_arena::set_header(std::uint32_t position, std::uint32_t value) noexcept {
    std::memcpy(bytes_.get() + position, &value, sizeof value);
}

std::optional<std::uint32_t> hold_arena::take(std::size_t length) {
    if (length > size_) {
        return std::nullopt;
    }
    const auto need = static_cast<std::uint32_t>((length + header_size + 3) & ~std::size_t{3});
    if (need > size_) {
        return std::nullopt;
    }
    std::uint32_t position = head_;
    if (!wrapped_) {
        if (need > size_ - head_) {
            // The end has no room: the rest of it becomes a block given
            // back, and the block goes to the start, if the tail leaves room.
            if (need > tail_) {
                return std::nullopt;
            }
            if (head_ < size_) {
                set_header(head_, (size_ - head_) | given_back_bit);
            }
            position = 0;
            wrapped_ = true;
        }
    } else if (need > tail_ - head_) {
        return std::nullopt;
    }
    set_header(position, need);
    head_ = position + need;
    ++blocks_;
    return position + header_size;
}

void hold_arena::give_back(std::uint32_t offset) noexcept {
    const std::uint32_t position = offset - header_size;
    set_header(position, header_at(position) | given_back_bit);
    if (--blocks_ == 0) {
        clear();
        return;
    }
    trim();
}

void hold_arena::trim() noexcept {
    for (;;) {
        // Only a wrapped head leaves blocks behind the end.
        if (tail_ == size_) {
            tail_ = 0;
            wrapped_ = false;
        }
        const std::uint32_t header = header_at(tail_);
        if ((header & given_back_bit) == 0) {
            return;
        }
        tail_ += header & ~given_back_bit;
    }
}

void hold_arena::clear() noexcept {
    head_ = 0;
    tail_ = 0;
    blocks_ = 0;
    wrapped_ = false;
}

}  // namespace tarn
