// Messages sit anywhere in the receive buffer, so every multi-byte field may
// be read from an odd address. Under the undefined-behaviour sanitizer a
// misaligned typed load aborts these tests; everywhere, the text of a message
// must not depend on where it lies.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "datagram_queue.hpp"
#include "log_capture.hpp"
#include "md/catalogue.hpp"
#include "md/layout_printer.hpp"
#include "md/message_builder.hpp"
#include "messages.hpp"
#include "processing/md_processors.hpp"
#include "processing/receive_loop.hpp"
#include "render.hpp"

namespace tarn::md {
namespace {

// A message of the type's layout size whose every byte after the type code
// is non-zero and differs from its neighbours, so a field read from the
// wrong place or with the wrong width shows in the text.
message_builder patterned(const catalogue_entry& entry) {
    message_builder m(entry.type, *entry.body);
    for (std::size_t at = msg_type_offset + sizeof(MsgType); at < entry.body->size; ++at) {
        m.put<std::uint8_t>(at, static_cast<std::uint8_t>(1 + (at * 37) % 251));
    }
    return m;
}

std::string full_text_at(const message_builder& m, std::size_t offset) {
    const std::size_t size = m.bytes().size();
    const auto buffer = std::make_unique<char[]>(offset + size);
    std::memcpy(buffer.get() + offset, m.bytes().data(), size);
    text_stream out;
    const byte_view view(buffer.get() + offset, size);
    EXPECT_TRUE(write_message(out, *find_layout(view.load<MsgType>(msg_type_offset)), view));
    return std::string(out.view());
}

TEST(UnalignedReads, EveryPrintableTypeRendersTheSameAtEveryOffset) {
    for (const catalogue_entry& entry : printable_messages()) {
        const message_builder m = patterned(entry);
        const std::string aligned = full_text_at(m, 0);
        ASSERT_FALSE(aligned.empty());
        for (const std::size_t offset : {1, 2, 3, 5, 7}) {
            EXPECT_EQ(full_text_at(m, offset), aligned)
                << "type " << static_cast<int>(entry.type) << " at offset " << offset;
        }
    }
}

// In the receive loop: a 43-byte heartbeat first puts every message of a
// datagram at an odd offset of the receive buffer.
TEST(UnalignedReads, ReceiveLoopHandsOnMessagesAtOddOffsets) {
    const testing::log_capture log;
    full_display_processor_with_hb processor;
    testing::datagram_queue datagrams;
    message_builder odd_heartbeat(MsgType::Heartbeat, 43);
    std::vector<testing::record> expected;
    std::uint32_t seq_num = 1;
    for (const catalogue_entry& entry : printable_messages()) {
        message_builder m = patterned(entry);
        m.seq_num(seq_num++);
        if (entry.type == MsgType::TradingSessionStatus) {
            m.put<std::uint8_t>(50, 1);  // not the end of the session
        }
        datagrams.add(testing::bytes_of(odd_heartbeat) + testing::bytes_of(m));
        expected.push_back(testing::info(testing::header_text(odd_heartbeat)));
        expected.push_back(testing::info(testing::full_text(m)));
    }
    datagrams.add("");

    receive_loop(processor, datagrams);

    EXPECT_EQ(log.records(), expected);
    EXPECT_FALSE(processor.errors_);
}

}  // namespace
}  // namespace tarn::md
