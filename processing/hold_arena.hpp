#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace tarn {

// Fixed bytes for the messages an arbiter holds: blocks are taken at the
// head of a ring and given back in any order; the tail moves past blocks
// given back, so the room taken is at most the span from the oldest block
// still held to the newest. Each block costs 4 bytes of header and is
// rounded up to 4 bytes.
class hold_arena {
  public:
    explicit hold_arena(std::size_t bytes);

    // The offset of `length` bytes, or nothing when they do not fit.
    std::optional<std::uint32_t> take(std::size_t length);
    void give_back(std::uint32_t offset) noexcept;
    char* at(std::uint32_t offset) noexcept { return bytes_.get() + offset; }
    // Forgets every block.
    void clear() noexcept;

  private:
    static constexpr std::uint32_t header_size = 4;
    static constexpr std::uint32_t given_back_bit = 1;

    // A block's header: its size, header included, and whether it was given
    // back (the low bit; sizes are multiples of 4).
    std::uint32_t header_at(std::uint32_t position) const noexcept;
    void set_header(std::uint32_t position, std::uint32_t value) noexcept;
    // Moves the tail past the blocks given back.
    void trim() noexcept;

    // Left uninitialised: a page of it costs memory only once a held
    // message reaches it, so a channel that holds little stays small.
    std::unique_ptr<char[]> bytes_;
    std::uint32_t size_;
    std::uint32_t head_ = 0;  // where the next block goes
    std::uint32_t tail_ = 0;  // the oldest block not yet passed
    std::uint32_t blocks_ = 0;
    bool wrapped_ = false;  // the head has wrapped to the start, behind the tail
};

}  // namespace tarn
