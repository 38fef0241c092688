#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "md/header.hpp"
#include "md/message_builder.hpp"
#include "messages.hpp"

namespace tarn::md {
namespace {

const std::string example_text =
    "length=72|MsgType=9(OrderAdd)|version=1|seqNum=1234|"
    "timestamp=1700000000123456789(2023-11-14T22:13:20.123456789)|"
    "sourceTimestamp=1700000000000000042(2023-11-14T22:13:20.000000042)|"
    "isEncrypted=0|encryptionOffset=0|encryptionKeyId=0|sessionId=3|streamId=1|";

message_builder example() {
    message_builder m(MsgType::OrderAdd, 72);
    m.version(1)
        .seq_num(1234)
        .timestamp(1700000000123456789ULL)
        .source_timestamp(1700000000000000042ULL)
        .session_id(3)
        .stream_id(1);
    return m;
}

TEST(HeaderText, EveryFieldAtItsOffset) {
    EXPECT_EQ(testing::header_text(example()), example_text);
    message_builder m(MsgType{2}, 42);
    m.version(65535)
        .seq_num(4294967295U)
        .is_encrypted(1)
        .encryption_offset(18446744073709551615ULL)
        .encryption_key_id(7)
        .session_id(258)
        .stream_id(65);
    EXPECT_EQ(testing::header_text(m),
              "length=42|MsgType=2(2)|version=65535|seqNum=4294967295|"
              "timestamp=0(1970-01-01T00:00:00.000000000)|"
              "sourceTimestamp=0(1970-01-01T00:00:00.000000000)|"
              "isEncrypted=1|encryptionOffset=18446744073709551615|encryptionKeyId=7|"
              "sessionId=258|streamId=65|");
}

TEST(HeaderText, ViewedInPlaceAtAnOddAddress) {
    // One byte in, so every multi-byte field is misaligned.
    const std::string buffer = "x" + std::string(example().view());
    const auto* header = reinterpret_cast<const Header*>(buffer.data() + 1);
    EXPECT_EQ(type_of(*header), MsgType::OrderAdd);
    text_stream out;
    out << *header;
    EXPECT_EQ(out.view(), example_text);
}

// A view that ends inside the header, in a heap block of exactly its size so
// that a read past it is caught under the address sanitizer: only the fields
// that lie wholly inside it are shown. Found by fuzzing the printers.
TEST(HeaderText, ViewShorterThanTheHeaderShowsOnlyItsWholeFields) {
    const message_builder m = example();
    for (const std::size_t size : {0, 1, 2, 41}) {
        const auto bytes = std::make_unique<char[]>(size);
        std::memcpy(bytes.get(), m.bytes().data(), size);
        text_stream out;
        write_header(out, byte_view(bytes.get(), size));
        const std::size_t shown = size == 41  ? example_text.rfind("streamId=")
                                  : size == 2 ? std::strlen("length=72|")
                                              : 0;
        EXPECT_EQ(out.view(), example_text.substr(0, shown)) << size;
    }
}

}  // namespace
}  // namespace tarn::md
