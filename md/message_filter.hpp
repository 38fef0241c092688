#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "md/byte_view.hpp"
#include "md/catalogue.hpp"
#include "md/enums.hpp"

namespace tarn::md {

// Which message lines a run shows: the messages of some types, the messages
// about some instruments, or those that are both. A message's instruments are
// its fields named "instrumentId", anywhere in its layout, blocks and list
// elements included. Where they lie is worked out once per type when the
// filter is made, so looking at a message costs a table lookup and a few
// reads, and allocates nothing.
class message_filter {
  public:
    // Shows every message.
    message_filter() = default;

    // Shows the messages of `types` (of any type when empty) that carry one
    // of `instruments` (whatever they carry when empty; a type without an
    // instrumentId field, such as Heartbeat, then never shows). `catalogue`
    // gives the layouts.
    message_filter(std::span<const MsgType> types, std::span<const std::uint32_t> instruments,
                   std::span<const catalogue_entry> catalogue = printable_messages());

    // True when `message`, which holds at least the header, is shown. Only
    // ids that lie wholly inside the message are read.
    bool shows(byte_view message) const noexcept;

  private:
    // Where ids lie in a layout: an id, or a block, list or counted list
    // whose block or elements hold ids at the `inner` places.
    struct place {
        enum class what : std::uint8_t { id, block, list, counted_list };
        what kind;
        std::uint8_t width;  // of an id
        std::uint16_t offset;
        std::uint16_t size;  // of a block or of one element
        std::uint8_t count;  // elements of a list, capacity of a counted list
        std::uint16_t first_inner;
        std::uint16_t inner_count;
    };
    struct place_range {
        std::uint16_t first = 0;
        std::uint16_t count = 0;
    };

    place_range collect(const layout& of);
    bool holds_listed_id(place_range range, byte_view bytes) const noexcept;
    bool in_elements(const place& list, byte_view bytes) const noexcept;
    bool listed(std::uint64_t id) const noexcept;

    std::vector<bool> types_;                 // by type code; empty: every type
    std::vector<std::uint32_t> instruments_;  // sorted; empty: any message
    std::vector<place> places_;
    std::vector<place_range> places_by_code_;  // the places of each type's layout
};

}  // namespace tarn::md
