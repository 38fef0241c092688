#pragma once

#include <cstddef>
#include <cstdint>

#include "md/byte_view.hpp"
#include "md/enums.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// The 42-byte header at the start of every message, as it lies on the wire:
// little-endian, packed, no padding. Messages are viewed in place, never
// copied; the fields are read through byte_view, the structure documents the
// shape and gives processors a typed pointer to the current message.
struct __attribute__((packed)) Header {
    std::uint16_t length;  // the whole message, header included
    tarn::md::MsgType MsgType;
    std::uint16_t version;
    std::uint32_t seqNum;
    std::uint64_t timestamp;  // nanoseconds since 1970-01-01T00:00:00 UTC
    std::uint64_t sourceTimestamp;
    std::uint8_t isEncrypted;
    std::uint64_t encryptionOffset;
    std::uint32_t encryptionKeyId;
    std::uint16_t sessionId;
    std::uint8_t streamId;
};

inline constexpr field header_fields[] = {
    {0, "length", uint16},           {2, "MsgType", enumeration<MsgType>},
    {4, "version", uint16},          {6, "seqNum", uint32},
    {10, "timestamp", timestamp},    {18, "sourceTimestamp", timestamp},
    {26, "isEncrypted", flag},       {27, "encryptionOffset", uint64},
    {35, "encryptionKeyId", uint32}, {39, "sessionId", uint16},
    {41, "streamId", uint8},
};
inline constexpr layout header_layout{42, header_fields};
static_assert(is_contiguous(header_layout, 0));

static_assert(sizeof(Header) == header_layout.size);
static_assert(offsetof(Header, length) == 0 && offsetof(Header, MsgType) == 2);
static_assert(offsetof(Header, version) == 4 && offsetof(Header, seqNum) == 6);
static_assert(offsetof(Header, timestamp) == 10 && offsetof(Header, sourceTimestamp) == 18);
static_assert(offsetof(Header, isEncrypted) == 26 && offsetof(Header, encryptionOffset) == 27);
static_assert(offsetof(Header, encryptionKeyId) == 35 && offsetof(Header, sessionId) == 39);
static_assert(offsetof(Header, streamId) == 41);

// Offsets the receive loop and the processors read before any rendering.
inline constexpr std::size_t length_offset = offsetof(Header, length);
inline constexpr std::size_t msg_type_offset = offsetof(Header, MsgType);
inline constexpr std::size_t seq_num_offset = offsetof(Header, seqNum);

// The header text: every header field as "name=value|", in wire order. A view
// shorter than the header gives only the fields that lie wholly inside it.
text_stream& write_header(text_stream& out, byte_view header);
text_stream& write_header(text_stream& out, const Header& header);
inline text_stream& operator<<(text_stream& out, const Header& header) {
    return write_header(out, header);
}

}  // namespace tarn::md
