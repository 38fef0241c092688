#include "md/catalogue.hpp"

#include <algorithm>
#include <array>

#include "md/layouts/index_messages.hpp"
#include "md/layouts/order_book_messages.hpp"
#include "md/layouts/reference_data_messages.hpp"
#include "md/layouts/session_messages.hpp"
#include "md/layouts/trade_messages.hpp"

namespace tarn::md {

namespace {

template <std::size_t... Sizes>
constexpr auto join(const catalogue_entry (&... groups)[Sizes]) {
    std::array<catalogue_entry, (Sizes + ...)> all{};
    std::size_t at = 0;
    ((std::copy(std::begin(groups), std::end(groups), all.begin() + at), at += Sizes), ...);
    std::sort(all.begin(), all.end(),
              [](const catalogue_entry& a, const catalogue_entry& b) { return a.type < b.type; });
    return all;
}

// Sorted by code, so a lookup is a binary search.
constexpr auto printable = join(session_messages, reference_data_messages, order_book_messages,
                                trade_messages, index_messages);

static_assert(printable.size() == 40, "every type of the catalogue but Heartbeat has a printer");
static_assert(std::adjacent_find(printable.begin(), printable.end(),
                                 [](const catalogue_entry& a, const catalogue_entry& b) {
                                     return a.type == b.type;
                                 }) == printable.end(),
              "each type has one layout");

}  // namespace

std::span<const catalogue_entry> printable_messages() { return printable; }

const layout* find_layout(MsgType type) {
    const auto* const found = std::lower_bound(
        printable.begin(), printable.end(), type,
        [](const catalogue_entry& entry, MsgType wanted) { return entry.type < wanted; });
    return found != printable.end() && found->type == type ? found->body : nullptr;
}

}  // namespace tarn::md
