#include "md/message_filter.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "md/header.hpp"

namespace tarn::md {

namespace {

constexpr std::string_view instrument_id_name = "instrumentId";
constexpr std::size_t type_codes = std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1;

bool is_unsigned_integer(value_kind kind) {
    return kind == value_kind::uint8 || kind == value_kind::uint16 || kind == value_kind::uint32 ||
           kind == value_kind::uint64;
}

std::uint16_t narrow(std::size_t value) {
    if (value > std::numeric_limits<std::uint16_t>::max()) {
        throw std::length_error("too many instrument id places");
    }
    return static_cast<std::uint16_t>(value);
}

// The view of `size` bytes from `offset`, or as many of them as `bytes` holds.
byte_view part(byte_view bytes, std::size_t offset, std::size_t size) {
    return bytes.sub(offset, std::min(size, bytes.size() - offset));
}

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
    for (const catalogue_entry& entry : catalogue) {
        const auto code = static_cast<std::uint16_t>(entry.type);
        if (places_by_code_.size() <= code) {
            places_by_code_.resize(std::size_t{code} + 1);
        }
        places_by_code_[code] = collect(*entry.body);
    }
}

message_filter::place_range message_filter::collect(const layout& of) {
    // The places of blocks and elements go first, so that those of `of`
    // itself end up side by side.
    std::vector<place> direct;
    for (const field& f : of.fields) {
        switch (f.kind.kind) {
            case value_kind::block:
            case value_kind::list:
            case value_kind::counted_list: {
                const place_range inner = collect(*f.kind.element);
                if (inner.count == 0) {
                    break;
                }
                const place::what kind = f.kind.kind == value_kind::block ? place::what::block
                                         : f.kind.kind == value_kind::list
                                             ? place::what::list
                                             : place::what::counted_list;
                direct.push_back({kind, 0, f.offset, f.kind.element->size, f.kind.count,
                                  inner.first, inner.count});
                break;
            }
            default:
                if (f.name == instrument_id_name && is_unsigned_integer(f.kind.kind)) {
                    direct.push_back({place::what::id, static_cast<std::uint8_t>(f.kind.width),
                                      f.offset, 0, 0, 0, 0});
                }
                break;
        }
    }
    const place_range range{narrow(places_.size()), narrow(direct.size())};
    places_.insert(places_.end(), direct.begin(), direct.end());
    narrow(places_.size());
    return range;
}

bool message_filter::shows(byte_view message) const noexcept {
    const auto code = static_cast<std::uint16_t>(message.load<MsgType>(msg_type_offset));
    if (!types_.empty() && !types_[code]) {
        return false;
    }
    if (instruments_.empty()) {
        return true;
    }
    return code < places_by_code_.size() && holds_listed_id(places_by_code_[code], message);
}

bool message_filter::listed(std::uint64_t id) const noexcept {
    return std::binary_search(instruments_.begin(), instruments_.end(), id);
}

bool message_filter::holds_listed_id(place_range range, byte_view bytes) const noexcept {
    for (std::size_t i = range.first; i < std::size_t{range.first} + range.count; ++i) {
        const place& p = places_[i];
        if (!bytes.holds(std::size_t{p.offset} + 1)) {
            continue;
        }
        switch (p.kind) {
            case place::what::id: {
                if (!bytes.holds(std::size_t{p.offset} + p.width)) {
                    break;
                }
                std::uint64_t id = 0;
                switch (p.width) {
                    case 1:
                        id = bytes.load<std::uint8_t>(p.offset);
                        break;
                    case 2:
                        id = bytes.load<std::uint16_t>(p.offset);
                        break;
                    case 4:
                        id = bytes.load<std::uint32_t>(p.offset);
                        break;
                    default:
                        id = bytes.load<std::uint64_t>(p.offset);
                        break;
                }
                if (listed(id)) {
                    return true;
                }
                break;
            }
            case place::what::block:
                if (holds_listed_id({p.first_inner, p.inner_count},
                                    part(bytes, p.offset, p.size))) {
                    return true;
                }
                break;
            case place::what::list:
            case place::what::counted_list:
                if (in_elements(p, bytes)) {
                    return true;
                }
                break;
        }
    }
    return false;
}

// True when an element of the list at `list` holds a listed id: every
// element of a list, the elements a counted list counts (at most its
// capacity), as far as `bytes` holds them.
bool message_filter::in_elements(const place& list, byte_view bytes) const noexcept {
    std::size_t start = list.offset;
    std::size_t count = list.count;
    if (list.kind == place::what::counted_list) {
        count = std::min<std::size_t>(count, bytes.load<std::uint8_t>(list.offset));
        ++start;
    }
    for (std::size_t element = 0; element < count; ++element) {
        const std::size_t at = start + element * list.size;
        if (!bytes.holds(at + 1)) {
            break;
        }
        if (holds_listed_id({list.first_inner, list.inner_count}, part(bytes, at, list.size))) {
            return true;
        }
    }
    return false;
}

}  // namespace tarn::md
