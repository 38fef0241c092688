#include "md/layout_printer.hpp"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "md/field_values.hpp"
#include "md/header.hpp"
#include "md/layout_walk.hpp"
#include "md/value_writers.hpp"

namespace tarn::md {

namespace {

// The most characters a number, flag or timestamp prints as.
template <value_kind Kind>
constexpr std::size_t number_room =
    Kind == value_kind::timestamp ? timestamp_value_room : integer_room;

// The header text: "name=value|" for each field.
struct header_text_writer {
    template <value_kind Kind>
    static constexpr std::size_t room(const field& f) {
        if constexpr (Kind == value_kind::enumeration) {
            return f.name.size() + 2 + integer_room + 2 + description_room(*f.kind.names);
        } else {
            return f.name.size() + 2 + number_room<Kind>;
        }
    }

    template <value_kind Kind>
    char* write(char* at, const field& f, byte_view header, bool /*first*/) const {
        std::memcpy(at, f.name.data(), f.name.size());
        at += f.name.size();
        *at++ = '=';
        if constexpr (Kind == value_kind::enumeration) {
            at = enumeration_text(*f.kind.names, load_enumeration(f, header)).write(at);
        } else {
            at = write_number<Kind>(at, f, header);
        }
        *at++ = '|';
        return at;
    }
};

// "|name=" at `at`, nothing for a bare value.
char* write_label(char* at, std::string_view name) {
    if (name.empty()) {
        return at;
    }
    *at++ = '|';
    std::memcpy(at, name.data(), name.size());
    at += name.size();
    *at++ = '=';
    return at;
}

// Body fields as "|name=value"; a block as its label and its fields, a list
// as its label and "[" element "," element ... "]", a counted list with
// "|count=N" (the count as received) before its "[".
class fields_text_writer : public layout_visitor {
  public:
    explicit fields_text_writer(text_stream& out) : out_(out) {}

    template <value_kind Kind>
    bool value(const field& f, byte_view container) {
        if constexpr (Kind == value_kind::text || Kind == value_kind::ztext) {
            label(f);
            const byte_view bytes = container.sub(f.offset, f.kind.width);
            if constexpr (Kind == value_kind::text) {
                write_text(out_, bytes.data(), bytes.size());
            } else {
                write_ztext(out_, bytes.data(), bytes.size());
            }
        } else if constexpr (Kind == value_kind::enumeration) {
            // The description first, so the room made is what it needs.
            const enumeration_text described(*f.kind.names, load_enumeration(f, container));
            char* const at = out_.reserve(f.name.size() + 2 + described.room());
            out_.commit(described.write(write_label(at, f.name)));
        } else {
            char* const at = out_.reserve(f.name.size() + 2 + number_room<Kind>);
            out_.commit(write_number<Kind>(write_label(at, f.name), f, container));
        }
        return true;
    }

    void open_block(const field& block) { label(block); }
    void open_list(const field& list) {
        label(list);
        out_ << '[';
    }
    void open_counted_list(const field& list, byte_view room) {
        label(list);
        out_ << "|count=" << room.load<std::uint8_t>(0) << '[';
    }
    void close_list(const field& /*list*/) { out_ << ']'; }
    void open_element(const layout& /*element*/, std::size_t index) {
        if (index > 0) {
            out_ << ',';
        }
    }

  private:
    void label(const field& f) {
        out_.commit(write_label(out_.reserve(f.name.size() + 2), f.name));
    }

    text_stream& out_;
};

}  // namespace

text_stream& write_fields(text_stream& out, const layout& of, byte_view bytes) {
    fields_text_writer writer(out);
    walk_fields(writer, of, bytes);
    return out;
}

text_stream& write_header(text_stream& out, byte_view header) {
    header_text_writer writer;
    return write_header_fields(out, header, writer);
}

text_stream& write_header(text_stream& out, const Header& header) {
    return write_header(out, byte_view(reinterpret_cast<const char*>(&header), sizeof header));
}

bool write_message(text_stream& out, const layout& of, byte_view message) {
    if (!message.holds(of.size) || !message.holds(header_layout.size)) {
        return false;
    }
    write_header(out, message);
    write_fields(out, of, message);
    return true;
}

}  // namespace tarn::md
