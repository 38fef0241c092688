#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "md/byte_view.hpp"
#include "md/header.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// The one walk over a layout and the bytes it lies on. The text printer, the
// JSON writer, the instrument filter and the message fillers of the tests and
// benchmarks are visitors of it; the walk owns the order of the fields, the
// recursion into blocks and list elements, the rule for counted lists and the
// dispatch on a field's kind.
//
// A visitor has
//   template <value_kind Kind> bool value(const field& f, byte_view container)
//       a number, flag, timestamp, enumeration, text or ztext field, with
//       Kind its kind; `container` is the view the field's offset counts in.
//       Returning false ends the walk.
// and may hide these hooks of layout_visitor, which do nothing:
//   open_block(f) / close_block(f)          around the fields of a block
//   open_list(f) / close_list(f)            around the elements of a list
//   open_counted_list(f, room) / close_list(f)
//       around the elements of a counted list; `room` starts with the count,
//       which the walk reads after this hook (a filler may write it there)
//   open_element(element, index) / close_element(element)
//                                           around the fields of an element
//
// The walk reads only inside the bytes it is given: a value is visited when
// it lies wholly inside them, a block or list when its first byte does, with
// its view cut to the bytes that exist; a counted list visits the elements
// its count says, at most its capacity, as far as the bytes hold them.
struct layout_visitor {
    void open_block(const field& /*block*/) {}
    void close_block(const field& /*block*/) {}
    void open_list(const field& /*list*/) {}
    void open_counted_list(const field& /*list*/, byte_view /*room*/) {}
    void close_list(const field& /*list*/) {}
    void open_element(const layout& /*element*/, std::size_t /*index*/) {}
    void close_element(const layout& /*element*/) {}
};

template <class Visitor>
bool walk_fields(Visitor& visitor, const layout& of, byte_view bytes);

namespace walk_detail {

// The view of `size` bytes from `offset`, or as many of them as `bytes` holds.
inline byte_view part(byte_view bytes, std::size_t offset, std::size_t size) {
    return bytes.sub(offset, std::min(size, bytes.size() - offset));
}

template <class Visitor>
bool walk_elements(Visitor& visitor, const layout& element, byte_view room, std::size_t count) {
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t at = index * element.size;
        if (!room.holds(at + 1)) {
            break;
        }
        visitor.open_element(element, index);
        const bool go_on = walk_fields(visitor, element, part(room, at, element.size));
        visitor.close_element(element);
        if (!go_on) {
            return false;
        }
    }
    return true;
}

template <class Visitor>
bool walk_compound(Visitor& visitor, const field& f, byte_view bytes) {
    bool go_on = true;
    switch (f.kind.kind) {
        case value_kind::block:
            visitor.open_block(f);
            go_on = walk_fields(visitor, *f.kind.element, bytes);
            visitor.close_block(f);
            break;
        case value_kind::list:
            visitor.open_list(f);
            go_on = walk_elements(visitor, *f.kind.element, bytes, f.kind.count);
            visitor.close_list(f);
            break;
        default: {
            visitor.open_counted_list(f, bytes);
            // The count as received; only the elements the room holds exist.
            const auto count = bytes.load<std::uint8_t>(0);
            go_on = walk_elements(visitor, *f.kind.element, bytes.sub(1, bytes.size() - 1),
                                  std::min<std::size_t>(count, f.kind.count));
            visitor.close_list(f);
            break;
        }
    }
    return go_on;
}

template <value_kind... Kinds>
struct kind_list {};

// The kinds of a field of one value, in the order of value_kind.
using value_kinds =
    kind_list<value_kind::uint8, value_kind::int8, value_kind::uint16, value_kind::uint32,
              value_kind::uint64, value_kind::int64, value_kind::flag, value_kind::enumeration,
              value_kind::timestamp, value_kind::text, value_kind::ztext>;

// The visitor's value<Kind> for the field's kind among `Kinds`; the compiler
// turns the comparisons into one jump.
template <class Visitor, value_kind... Kinds>
bool visit_value(Visitor& visitor, const field& f, byte_view container,
                 kind_list<Kinds...> /*kinds*/) {
    bool go_on = true;
    static_cast<void>(
        ((f.kind.kind == Kinds && ((go_on = visitor.template value<Kinds>(f, container)), true)) ||
         ...));
    return go_on;
}

template <class Visitor>
bool walk_field(Visitor& visitor, const field& f, byte_view container) {
    if (is_compound(f.kind.kind)) {
        return walk_compound(visitor, f, part(container, f.offset, f.kind.width));
    }
    return visit_value(visitor, f, container, value_kinds{});
}

// The header writer of a view shorter than the header, one field at a time.
template <class HeaderWriter>
class header_field_by_field : public layout_visitor {
  public:
    header_field_by_field(text_stream& out, HeaderWriter& writer) : out_(out), writer_(writer) {}

    template <value_kind Kind>
    bool value(const field& f, byte_view container) {
        if constexpr (is_scalar(Kind)) {
            char* const at = out_.reserve(HeaderWriter::template room<Kind>(f));
            out_.commit(writer_.template write<Kind>(at, f, container, f.offset == 0));
        }
        return true;
    }

  private:
    text_stream& out_;
    HeaderWriter& writer_;
};

}  // namespace walk_detail

// Visits the fields of `of` that `bytes` holds, in wire order. False when
// the visitor ended the walk.
template <class Visitor>
bool walk_fields(Visitor& visitor, const layout& of, byte_view bytes) {
    for (const field& f : of.fields) {
        const std::size_t needed = is_compound(f.kind.kind) ? 1 : std::size_t{f.kind.width};
        if (!bytes.holds(std::size_t{f.offset} + needed)) {
            break;
        }
        if (!walk_detail::walk_field(visitor, f, bytes)) {
            return false;
        }
    }
    return true;
}

// The header is written for every message, so its writers are unrolled from
// the header's table at compile time: every name a constant, every kind
// known, and room for the whole text made once. A header writer has
//   template <value_kind Kind> static constexpr std::size_t room(const field& f)
//       the most characters field `f` writes, and
//   template <value_kind Kind>
//   char* write(char* at, const field& f, byte_view header, bool first)
//       which writes it at `at` and returns the end; `first` for the first
//       field, known at compile time in the unrolled writer.
// A view shorter than the header gives the fields that lie wholly inside it.
template <class HeaderWriter>
text_stream& write_header_fields(text_stream& out, byte_view header, HeaderWriter& writer) {
    static_assert(std::all_of(std::begin(header_fields), std::end(header_fields),
                              [](const field& f) { return is_scalar(f.kind.kind); }),
                  "the header writers only write scalar fields");
    if (header.holds(header_layout.size)) {
        [&]<std::size_t... Index>(std::index_sequence<Index...> /*fields*/) {
            constexpr std::size_t room =
                (HeaderWriter::template room<header_fields[Index].kind.kind>(header_fields[Index]) +
                 ...);
            char* at = out.reserve(room);
            ((at = writer.template write<header_fields[Index].kind.kind>(at, header_fields[Index],
                                                                         header, Index == 0)),
             ...);
            out.commit(at);
        }
        (std::make_index_sequence<std::size(header_fields)>());
        return out;
    }
    walk_detail::header_field_by_field<HeaderWriter> visitor(out, writer);
    walk_fields(visitor, header_layout, header);
    return out;
}

}  // namespace tarn::md
