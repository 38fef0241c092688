#include "md/json_writer.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "md/enum_to_description.hpp"
#include "md/field_values.hpp"
#include "md/header.hpp"
#include "md/layout_walk.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

namespace {

// Where a field goes: a bare list element, the first member of an object,
// or a later one.
enum class position : std::uint8_t { bare, first, later };

// ,"name": at `at`, which has room for the name and 4 characters; without
// the comma for a first member, nothing for a bare value.
char* write_label(char* at, std::string_view name, position where) {
    if (where == position::bare) {
        return at;
    }
    if (where == position::later) {
        *at++ = ',';
    }
    *at++ = '"';
    std::memcpy(at, name.data(), name.size());
    at += name.size();
    *at++ = '"';
    *at++ = ':';
    return at;
}

constexpr std::string_view ns_opening = R"({"ns":)";
constexpr std::string_view utc_middle = R"(,"utc":")";
constexpr std::string_view value_opening = R"({"value":)";
constexpr std::string_view name_middle = R"(,"name":)";

constexpr std::size_t timestamp_json_room =
    ns_opening.size() + integer_room + utc_middle.size() + calendar_room + 2;

// {"value":V,"name":"description"} with a description of `name_size`
// characters, or "name":null.
constexpr std::size_t enumeration_json_room(std::size_t name_size) {
    return value_opening.size() + integer_room + name_middle.size() +
           std::max<std::size_t>(name_size + 2, 4) + 1;
}

// {"ns":N,"utc":"calendar form"}
char* write_timestamp_json(char* at, std::uint64_t nanoseconds_since_epoch) {
    at = std::copy(ns_opening.begin(), ns_opening.end(), at);
    at = write_decimal(at, nanoseconds_since_epoch);
    at = std::copy(utc_middle.begin(), utc_middle.end(), at);
    at = write_calendar(at, nanoseconds_since_epoch);
    *at++ = '"';
    *at++ = '}';
    return at;
}

// {"value":V,"name":"description"}, "name":null outside the table. The
// descriptions need no escaping (enum_to_description.cpp checks them).
char* write_enumeration_json(char* at, std::int32_t value, std::string_view name) {
    at = std::copy(value_opening.begin(), value_opening.end(), at);
    at = write_integer(at, value);
    at = std::copy(name_middle.begin(), name_middle.end(), at);
    if (name.empty()) {
        constexpr std::string_view null = "null";
        at = std::copy(null.begin(), null.end(), at);
    } else {
        *at++ = '"';
        at = std::copy(name.begin(), name.end(), at);
        *at++ = '"';
    }
    *at++ = '}';
    return at;
}

std::string_view name_of(const field& f, std::int32_t value) {
    return enum_to_description::known_description(*f.kind.names, value);
}

// A number, flag, timestamp or enumeration of kind `Kind` at `at`, which has
// room for json_scalar_room<Kind>.
template <value_kind Kind>
char* write_json_scalar(char* at, const field& f, byte_view container) {
    if constexpr (Kind == value_kind::timestamp) {
        return write_timestamp_json(at, container.load<std::uint64_t>(f.offset));
    } else if constexpr (Kind == value_kind::enumeration) {
        const std::int32_t value = load_enumeration(f, container);
        return write_enumeration_json(at, value, name_of(f, value));
    } else {
        return write_number<Kind>(at, f, container);
    }
}

// The most characters a scalar of kind `Kind` writes: for an enumeration,
// with the longest description of its table.
template <value_kind Kind>
constexpr std::size_t json_scalar_room(const kind_spec& kind) {
    if constexpr (Kind == value_kind::timestamp) {
        return timestamp_json_room;
    } else if constexpr (Kind == value_kind::enumeration) {
        return enumeration_json_room(description_room(*kind.names));
    } else {
        return integer_room;
    }
}

// A message's fields as members of the object they are in: blocks as
// objects, lists as arrays, counted lists as {"count":N,"elements":[...]}.
// Also the writer of the header's members (layout_walk.hpp).
class json_members : public layout_visitor {
  public:
    json_members(text_stream& out, position first) : out_(out), where_(first), start_(first) {}

    template <value_kind Kind>
    static constexpr std::size_t room(const field& f) {
        return f.name.size() + 4 + json_scalar_room<Kind>(f.kind);
    }

    // A header member; the position of the first is known when the header is
    // written unrolled, so no state is read or kept per member.
    template <value_kind Kind>
    char* write(char* at, const field& f, byte_view header, bool first) const {
        return write_json_scalar<Kind>(write_label(at, f.name, first ? start_ : position::later), f,
                                       header);
    }

    template <value_kind Kind>
    bool value(const field& f, byte_view container) {
        if constexpr (Kind == value_kind::text || Kind == value_kind::ztext) {
            label(f);
            const byte_view bytes = container.sub(f.offset, f.kind.width);
            const std::string_view all(bytes.data(), bytes.size());
            if constexpr (Kind == value_kind::text) {
                const std::size_t last = all.find_last_not_of('\0');
                write_json_string(out_,
                                  all.substr(0, last == std::string_view::npos ? 0 : last + 1));
            } else {
                write_json_string(out_, all.substr(0, all.find('\0')));
            }
        } else if constexpr (Kind == value_kind::enumeration) {
            // The description first, so the room made is what it needs.
            const std::int32_t code = load_enumeration(f, container);
            const std::string_view name = name_of(f, code);
            char* const at = out_.reserve(f.name.size() + 4 + enumeration_json_room(name.size()));
            out_.commit(write_enumeration_json(write_label(at, f.name, next()), code, name));
        } else {
            char* const at = out_.reserve(room<Kind>(f));
            out_.commit(write_json_scalar<Kind>(write_label(at, f.name, next()), f, container));
        }
        return true;
    }

    void open_block(const field& block) {
        label(block);
        out_ << '{';
        where_ = position::first;
    }
    void close_block(const field& /*block*/) {
        out_ << '}';
        where_ = position::later;
    }
    void open_list(const field& list) {
        label(list);
        out_ << '[';
    }
    void open_counted_list(const field& list, byte_view room) {
        label(list);
        out_ << R"({"count":)" << room.load<std::uint8_t>(0) << R"(,"elements":[)";
    }
    void close_list(const field& list) {
        out_ << ']';
        if (list.kind.kind == value_kind::counted_list) {
            out_ << '}';
        }
        where_ = position::later;
    }
    // An element that is one bare value is that value, any other an object.
    void open_element(const layout& element, std::size_t index) {
        if (index > 0) {
            out_ << ',';
        }
        if (is_bare(element)) {
            where_ = position::bare;
        } else {
            out_ << '{';
            where_ = position::first;
        }
    }
    void close_element(const layout& element) {
        if (!is_bare(element)) {
            out_ << '}';
        }
    }

  private:
    static bool is_bare(const layout& element) {
        return element.fields.size() == 1 && element.fields.front().name.empty();
    }

    // Where the next member goes; the ones after it are later ones.
    position next() { return std::exchange(where_, position::later); }

    void label(const field& f) {
        out_.commit(write_label(out_.reserve(f.name.size() + 4), f.name, next()));
    }

    text_stream& out_;
    position where_;
    position start_;  // of the header's first member
};

}  // namespace

text_stream& write_json_header(text_stream& out, byte_view header) {
    json_members members(out, position::later);
    return write_header_fields(out, header, members);
}

text_stream& write_json_header_object(text_stream& out, byte_view header) {
    out << '{';
    json_members members(out, position::first);
    write_header_fields(out, header, members);
    out << '}';
    return out;
}

text_stream& write_json_fields(text_stream& out, const layout& of, byte_view bytes) {
    json_members members(out, position::later);
    walk_fields(members, of, bytes);
    return out;
}

bool write_json_message(text_stream& out, const layout& of, byte_view message) {
    if (!message.holds(of.size) || !message.holds(header_layout.size)) {
        return false;
    }
    write_json_header(out, message);
    write_json_fields(out, of, message);
    return true;
}

}  // namespace tarn::md
