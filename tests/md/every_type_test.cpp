// Sweeps over every printable type. A message shorter than its layout is not
// read: the full display writes one warning instead, and counts it. (The
// golden texts read every field from an odd address.)

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "log_capture.hpp"
#include "md/catalogue.hpp"
#include "md/enum_tables.hpp"
#include "md/layout_printer.hpp"
#include "messages.hpp"

namespace tarn::md {
namespace {

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

// The header text of patterned(entry, length), worked out by hand from the
// pattern's bytes 4 to 41.
std::string patterned_header(const catalogue_entry& entry, std::size_t length) {
    const auto code = static_cast<std::int32_t>(entry.type);
    const auto names = names_of(MsgType{}).entries;
    return "length=" + std::to_string(length) + "|MsgType=" + std::to_string(code) + "(" +
           std::string(std::ranges::find(names, code, &enum_entry::value)->text) +
           ")|version=47765|seqNum=1395526111"
           "|timestamp=9249045710266080632(2263-02-03T03:21:50.266080632)"
           "|sourceTimestamp=12504353483768449701(2366-04-01T07:31:23.768449701)"
           "|isEncrypted=210|encryptionOffset=349791552954311159|encryptionKeyId=2557693481"
           "|sessionId=58045|streamId=12|";
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
        const std::size_t size = entry.body->size;
        for (std::size_t length = sizeof(Header); length <= size; ++length) {
            const message_builder m = patterned(entry, length);
            testing::hand_over(p, m);
            text_stream unread;  // the printer's own check, for any other caller
            EXPECT_EQ(write_message(unread, *entry.body, testing::view_of(m)), length == size);
        }
        const auto records = log.records();
        ASSERT_EQ(records.size(), size - sizeof(Header) + 1) << static_cast<int>(entry.type);
        for (std::size_t length = sizeof(Header); length < size; ++length) {
            EXPECT_EQ(records[length - sizeof(Header)],
                      warn(shorter(length, size, patterned_header(entry, length))));
        }
        // The whole message prints, its header first (the golden texts have the rest).
        EXPECT_EQ(records.back().level, spdlog::level::info);
        EXPECT_TRUE(records.back().text.starts_with(patterned_header(entry, size)));
        EXPECT_EQ(p.errors_, size > sizeof(Header));
        EXPECT_EQ(p.counts_.at(entry.type), size - sizeof(Header) + 1);
    }
}

// A printer handed less than a header (the receive loop never does that)
// still reads nothing past the message: the warning shows the header fields
// that lie wholly inside it. Found by fuzzing the printers; the input was an
// empty message.
TEST(EveryType, PrinterOfAMessageBelowTheHeaderReadsOnlyItsBytes) {
    const catalogue_entry login{MsgType::Login, find_layout(MsgType::Login)};
    const message_printer printer{login.body};
    records::writer records;
    const message_builder m = patterned(login, 53);
    const std::string header = patterned_header(login, 53);
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
