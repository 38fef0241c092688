#include "md/message_filter.hpp"

#include <algorithm>
#include <limits>
#include <string_view>

#include "md/header.hpp"
#include "md/layout_walk.hpp"

namespace tarn::md {

namespace {

constexpr std::string_view instrument_id_name = "instrumentId";
constexpr std::size_t type_codes = std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1;

constexpr bool is_unsigned_integer(value_kind kind) {
    return kind == value_kind::uint8 || kind == value_kind::uint16 || kind == value_kind::uint32 ||
           kind == value_kind::uint64;
}

// Walks a layout cut down to its ids and stops at the first listed one.
class listed_id_finder : public layout_visitor {
  public:
    explicit listed_id_finder(const std::vector<std::uint32_t>& listed) : listed_(listed) {}

    template <value_kind Kind>
    bool value(const field& f, byte_view container) const noexcept {
        std::uint64_t id = 0;
        if constexpr (Kind == value_kind::uint8) {
            id = container.load<std::uint8_t>(f.offset);
        } else if constexpr (Kind == value_kind::uint16) {
            id = container.load<std::uint16_t>(f.offset);
        } else if constexpr (Kind == value_kind::uint32) {
            id = container.load<std::uint32_t>(f.offset);
        } else if constexpr (Kind == value_kind::uint64) {
            id = container.load<std::uint64_t>(f.offset);
        } else {
            return true;  // a cut-down layout holds no other values
        }
        return !std::binary_search(listed_.begin(), listed_.end(), id);
    }

  private:
    const std::vector<std::uint32_t>& listed_;
};

}  // namespace

message_filter::message_filter(std::span<const MsgType> types,
                               std::span<const std::uint32_t> instruments,
                               std::span<const catalogue_entry> catalogue)
    : instruments_(instruments.begin(), instruments.end()) {
    if (!types.empty()) {
        types_.assign(type_codes, false);
        for (const MsgType type : types) {
            types_[static_cast<std::uint16_t>(type)] = true;
        }
    }
    std::sort(instruments_.begin(), instruments_.end());
    if (instruments_.empty()) {
        return;
    }
    auto cut = std::make_shared<id_layouts>();
    for (const catalogue_entry& entry : catalogue) {
        const auto code = static_cast<std::uint16_t>(entry.type);
        if (ids_by_code_.size() <= code) {
            ids_by_code_.resize(std::size_t{code} + 1);
        }
        ids_by_code_[code] = ids_of(*entry.body, *cut);
    }
    id_layouts_ = std::move(cut);
}

// `of` with only its ids and the blocks and lists that hold ids, each at
// its own offset and of its own size; null when it holds none.
const layout* message_filter::ids_of(const layout& of, id_layouts& into) {
    std::vector<field> kept;
    for (const field& f : of.fields) {
        if (f.kind.element != nullptr) {
            if (const layout* inner = ids_of(*f.kind.element, into)) {
                kind_spec kind = f.kind;
                kind.element = inner;
                kept.push_back({f.offset, f.name, kind});
            }
        } else if (f.name == instrument_id_name && is_unsigned_integer(f.kind.kind)) {
            kept.push_back(f);
        }
    }
    if (kept.empty()) {
        return nullptr;
    }
    into.fields.push_back(std::move(kept));
    into.layouts.push_back({of.size, into.fields.back()});
    return &into.layouts.back();
}

bool message_filter::shows(byte_view message) const noexcept {
    const auto code = static_cast<std::uint16_t>(message.load<MsgType>(msg_type_offset));
    if (!types_.empty() && !types_[code]) {
        return false;
    }
    if (instruments_.empty()) {
        return true;
    }
    const layout* ids = code < ids_by_code_.size() ? ids_by_code_[code] : nullptr;
    listed_id_finder finder(instruments_);
    return ids != nullptr && !walk_fields(finder, *ids, message);
}

}  // namespace tarn::md
