// Arbitrary bytes of arbitrary length rendered as a message: the header text
// and its JSON, the full text and the JSON by a layout of the catalogue, the
// message filters, and a full display processor handed the message the way
// the receive loop hands it, writing text and then JSON records. Every JSON
// rendering must parse (json_check.hpp).
//
// Input: a 2-byte selector, then the message. The selector picks one of the
// printable types; the last choice keeps the type the message bytes carry.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "json_check.hpp"
#include "json_checking_sink.hpp"
#include "md/catalogue.hpp"
#include "md/header.hpp"
#include "md/json_writer.hpp"
#include "md/layout_printer.hpp"
#include "md/message_filter.hpp"
#include "processing/md_processors.hpp"
#include "processing/records.hpp"

namespace {

using tarn::md::byte_view;
using tarn::md::message_filter;

// Filters by type, by instrument (ids that sample messages and 0xFF bytes
// carry) and by both, built once like a run builds its filter.
const message_filter& filter(std::size_t which) {
    static const tarn::md::MsgType types[] = {tarn::md::MsgType::OrderAdd,
                                              tarn::md::MsgType::IndexParams,
                                              tarn::md::MsgType::ProductSummary};
    static const std::uint32_t instruments[] = {0, 1, 7, 0x01010101, 0xFFFFFFFF};
    static const message_filter filters[] = {message_filter(types, {}),
                                             message_filter({}, instruments),
                                             message_filter(types, instruments)};
    return filters[which % std::size(filters)];
}

// The JSON object of a message line, which must parse.
template <class Members>
void check_json(Members members) {
    auto& out = tarn::md::message_text();
    out.clear();
    out << R"({"event":"message")";
    members(out);
    out << '}';
    if (!tarn::fuzz::json_check::valid(out.view())) {
        std::abort();
    }
}

// The message as the receive loop hands it on: `length` is the size of the
// message, which holds at least the header. One processor serves every run
// (building its printer table costs more than a run); what a run leaves in it
// is reset.
void run_processor(byte_view message) {
    static tarn::md::full_display_processor_with_hb processor;
    for (const auto form : {tarn::records::form::text, tarn::records::form::json}) {
        tarn::fuzz::use_json_checking_sink(form);
        processor.records_.use_form(form);
        processor.counts_.clear();
        processor.errors_ = false;
        processor.finished_ = false;
        processor.set_current(message, message.load<tarn::md::MsgType>(tarn::md::msg_type_offset));
        processor.process();
        processor.process_heartbeat();
        processor.check_finished();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    tarn::fuzz::use_json_checking_sink(tarn::records::form::text);
    const auto printable = tarn::md::printable_messages();
    const std::size_t choice = (data[0] | (std::size_t{data[1]} << 8U)) % (printable.size() + 1);
    const std::size_t message_size = size - 2;

    // Exactly the message's size on the heap, so a read past it is caught.
    const auto message = std::make_unique<char[]>(message_size);
    std::memcpy(message.get(), data + 2, message_size);
    const byte_view view(message.get(), message_size);
    const bool typed = choice < printable.size();
    if (typed && message_size >= tarn::md::msg_type_offset + sizeof(tarn::md::MsgType)) {
        const auto type = printable[choice].type;
        std::memcpy(message.get() + tarn::md::msg_type_offset, &type, sizeof type);
    }

    auto& out = tarn::md::message_text();
    if (view.holds(sizeof(tarn::md::Header))) {
        out.clear();
        tarn::md::write_header(out, view);
        check_json([&](tarn::md::text_stream& json) { tarn::md::write_json_header(json, view); });
        for (std::size_t which = 0; which < 3; ++which) {
            static_cast<void>(filter(which).shows(view));
        }
    }
    if (typed) {
        const tarn::md::layout& body = *printable[choice].body;
        out.clear();
        tarn::md::write_message(out, body, view);
        check_json(
            [&](tarn::md::text_stream& json) { tarn::md::write_json_message(json, body, view); });
        static tarn::records::writer records;
        tarn::md::message_printer{&body}(records, view, filter(choice));
    }
    if (view.holds(sizeof(tarn::md::Header)) &&
        message_size <= std::numeric_limits<std::uint16_t>::max()) {
        const auto length = static_cast<std::uint16_t>(message_size);
        std::memcpy(message.get() + tarn::md::length_offset, &length, sizeof length);
        run_processor(view);
    }
    return 0;
}
