#pragma once

// Reading a session back as a receiver sees it: the payloads of its datagrams
// as one byte stream, cut into messages by their length, and fields read by
// their protocol names.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "md/layout.hpp"

namespace tarn::testing {

struct stream_message {
    std::string bytes;
    std::size_t datagram;  // the datagram in which the message starts
    bool split;            // continues into a later datagram
};

// The messages of datagrams laid end to end; throws when the stream ends
// inside a message or a length is below the header's size.
inline std::vector<stream_message> cut_into_messages(const std::vector<std::string>& datagrams) {
    std::string stream;
    std::vector<std::size_t> datagram_ends;
    for (const std::string& d : datagrams) {
        stream += d;
        datagram_ends.push_back(stream.size());
    }
    std::vector<stream_message> messages;
    std::size_t at = 0;
    while (at < stream.size()) {
        if (stream.size() - at < 2) {
            throw std::runtime_error("stream ends inside a length");
        }
        std::uint16_t length = 0;
        std::memcpy(&length, stream.data() + at, sizeof length);
        if (length < sizeof(md::Header) || at + length > stream.size()) {
            throw std::runtime_error("bad length " + std::to_string(length) + " at " +
                                     std::to_string(at));
        }
        const auto first = static_cast<std::size_t>(
            std::upper_bound(datagram_ends.begin(), datagram_ends.end(), at) -
            datagram_ends.begin());
        const bool split = at + length > datagram_ends[first];
        messages.push_back({stream.substr(at, length), first, split});
        at += length;
    }
    return messages;
}

template <class T>
T load(std::string_view bytes, std::size_t offset) {
    if (offset + sizeof(T) > bytes.size()) {
        throw std::out_of_range("read beyond the message");
    }
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

inline md::MsgType type_of(std::string_view message) {
    return load<md::MsgType>(message, md::msg_type_offset);
}

// A field of a message by its name in the header or in the layout of the
// message's type; T must have the field's width.
template <class T>
T field(std::string_view message, std::string_view name) {
    auto in = [&](std::span<const md::field> fields) -> const md::field* {
        const auto found = std::ranges::find(fields, name, &md::field::name);
        return found != fields.end() ? &*found : nullptr;
    };
    const md::field* f = in(md::header_layout.fields);
    if (f == nullptr) {
        const md::layout* body = md::find_layout(type_of(message));
        f = body != nullptr ? in(body->fields) : nullptr;
    }
    if (f == nullptr || f->kind.width != sizeof(T)) {
        throw std::invalid_argument("no field " + std::string(name) + " of that width");
    }
    return load<T>(message, f->offset);
}

// The offset of a named field within a layout.
inline std::size_t offset_in(const md::layout& of, std::string_view name) {
    const auto found = std::ranges::find(of.fields, name, &md::field::name);
    if (found == of.fields.end()) {
        throw std::invalid_argument("no field " + std::string(name));
    }
    return found->offset;
}

inline std::string text_field(std::string_view message, std::string_view name) {
    const md::layout* body = md::find_layout(type_of(message));
    const auto found = std::ranges::find(body->fields, name, &md::field::name);
    if (found == body->fields.end()) {
        throw std::invalid_argument("no field " + std::string(name));
    }
    std::string text(message.substr(found->offset, found->kind.width));
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    return text;
}

}  // namespace tarn::testing
