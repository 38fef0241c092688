#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "md/byte_view.hpp"
#include "md/catalogue.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"

namespace tarn::md {

// Which message lines a run shows: the messages of some types, the messages
// about some instruments, or those that are both. A message's instruments are
// its fields named "instrumentId", anywhere in its layout, blocks and list
// elements included. Where they lie is worked out once per type when the
// filter is made: each type's layout cut down to its ids and the blocks and
// lists that hold ids, so looking at a message walks only those (layout_walk.hpp),
// costs a table lookup and a few reads, and allocates nothing.
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
    // The layouts cut down to their ids; the fields and element layouts they
    // point to live here too, so copies of a filter share them.
    struct id_layouts {
        std::deque<std::vector<field>> fields;
        std::deque<layout> layouts;
    };

    static const layout* ids_of(const layout& of, id_layouts& into);

    std::vector<bool> types_;                 // by type code; empty: every type
    std::vector<std::uint32_t> instruments_;  // sorted; empty: any message
    std::shared_ptr<const id_layouts> id_layouts_;
    std::vector<const layout*> ids_by_code_;  // null: a type without ids
};

}  // namespace tarn::md
