// Sweeps over every printable type. A message shorter than its layout is not
// read: the full display writes one warning instead, and counts it. A
// message may sit anywhere in the receive buffer, so every multi-byte field
// may be read from an odd address: its text must not depend on where it lies
// (and under the undefined-behaviour sanitizer a misaligned typed load aborts).

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
#include "messages.hpp"
#include "processing/receive_loop.hpp"

namespace tarn::md {
namespace {

using testing::info;
using testing::warn;

// `length` bytes of the type whose every byte after the type code is non-zero
// and differs from its neighbours, so a field read from the wrong place or
// with the wrong width shows in the text, and a count, flag or text read
// from a body that is not there would not be zero.
message_builder patterned(const catalogue_entry& entry, std::size_t length) {
    message_builder m(entry.type, length);
    for (std::size_t at = msg_type_offset + sizeof(MsgType); at < length; ++at) {
        m.put<std::uint8_t>(at, static_cast<std::uint8_t>(1 + (at * 37) % 251));
    }
    return m;
}

std::string shorter(std::size_t length, std::size_t size, std::string_view header) {
    return "Message shorter than its layout, " + std::to_string(length) + " of " +
           std::to_string(size) + " bytes: " + std::string(header);
}

// Every length from the header's to the layout's, each in a heap block of
// exactly its size, so that a read past it is caught under the address sanitizer.
TEST(EveryType, ShorterThanItsLayoutWarnsOnceInsteadOfPrinting) {
    for (const catalogue_entry& entry : printable_messages()) {
        const testing::log_capture log;
        full_display_processor p;
        std::vector<testing::record> expected;
        const std::size_t size = entry.body->size;
        for (std::size_t length = sizeof(Header); length <= size; ++length) {
            const message_builder m = patterned(entry, length);
            testing::hand_over(p, m);
            text_stream unread;  // the printer's own check, for any other caller
            EXPECT_EQ(write_message(unread, *entry.body, byte_view(m.view().data(), length)),
                      length == size);
            expected.push_back(length < size ? warn(shorter(length, size, testing::header_text(m)))
                                             : info(testing::full_text(m)));
        }
        EXPECT_EQ(log.records(), expected) << static_cast<int>(entry.type);
        EXPECT_EQ(p.errors_, size > sizeof(Header));
        EXPECT_EQ(p.counts_.at(entry.type), size - sizeof(Header) + 1);
    }
}

// In the receive loop: a 43-byte heartbeat first puts every message of a
// datagram at an odd offset of the receive buffer.
TEST(EveryType, TheTextIsTheSameAtAnOddAddress) {
    const testing::log_capture log;
    full_display_processor_with_hb processor;
    testing::datagram_queue datagrams;
    const message_builder odd_heartbeat(MsgType::Heartbeat, 43);
    std::vector<testing::record> expected;
    std::uint32_t seq_num = 1;
    for (const catalogue_entry& entry : printable_messages()) {
        message_builder m = patterned(entry, entry.body->size);
        m.set("seqNum", seq_num++);
        if (entry.type == MsgType::TradingSessionStatus) {
            m.put<std::uint8_t>(50, 1);  // not the end of the session
        }
        datagrams.add(testing::bytes_of(odd_heartbeat) + testing::bytes_of(m));
        expected.push_back(info(testing::header_text(odd_heartbeat)));
        expected.push_back(info(testing::full_text(m)));
    }
    datagrams.add("");
    receive_loop(processor, datagrams);
    EXPECT_EQ(log.records(), expected);
    EXPECT_FALSE(processor.errors_);
}

// A printer handed less than a header (the receive loop never does that)
// still reads nothing past the message: the warning shows the header fields
// that lie wholly inside it. Found by fuzzing the printers; the input was an
// empty message.
TEST(EveryType, PrinterOfAMessageBelowTheHeaderReadsOnlyItsBytes) {
    const message_printer printer{find_layout(MsgType::Login)};
    records::writer records;
    const message_builder m = testing::order_add(7);
    const std::string header = testing::header_text(m);
    for (const std::size_t length : {0, 1, 2, 41}) {
        const testing::log_capture log;
        const auto bytes = std::make_unique<char[]>(length);
        std::memcpy(bytes.get(), m.bytes().data(), length);
        EXPECT_FALSE(printer(records, byte_view(bytes.get(), length)));
        const std::size_t shown = length == 41  ? header.rfind("streamId=")
                                  : length == 2 ? header.find('|') + 1
                                                : 0;
        EXPECT_EQ(log.records(), std::vector{warn(shorter(length, 53, header.substr(0, shown)))});
    }
}

}  // namespace
}  // namespace tarn::md
