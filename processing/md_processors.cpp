#include "processing/md_processors.hpp"

#include "md/catalogue.hpp"
#include "md/layout_printer.hpp"

namespace tarn::md {

namespace {

// The header text of `message`, rendered into the one message text stream.
std::string_view header_text(byte_view message) {
    auto& out = message_text();
    out.clear();
    write_header(out, message);
    return out.view();
}

// One info record of ready text. Handed to the logger as it is: the record is
// the same as with the format "{}", without copying the text into a format
// buffer first, which for texts over 250 bytes means an allocation.
void log_text(std::string_view text) {
    get_logger()->log(spdlog::level::info, spdlog::string_view_t(text.data(), text.size()));
}

void log_header(byte_view message) { log_text(header_text(message)); }

}  // namespace

bool message_printer::operator()(byte_view message) const {
    auto& out = message_text();
    out.clear();
    if (!write_message(out, *body, message)) {
        get_logger()->warn("Message shorter than its layout, {} of {} bytes: {}", message.size(),
                           body->size, header_text(message));
        return false;
    }
    log_text(out.view());
    return true;
}

void display_processor::process() { log_header(message()); }

void display_processor_with_hb::process_heartbeat() { log_header(message()); }

full_display_processor::full_display_processor() {
    for (const catalogue_entry& entry : printable_messages()) {
        msg_printers_.emplace(entry.type, message_printer{entry.body});
    }
}

void full_display_processor::process() {
    count_by_type();
    const byte_view current = message();
    const auto printer = msg_printers_.find(current.load<MsgType>(msg_type_offset));
    if (printer == msg_printers_.end()) {
        get_logger()->warn("Unknown message {}", header_text(current));
        errors_ = true;
        return;
    }
    if (!printer->second(current)) {
        errors_ = true;
    }
}

void full_display_processor_with_hb::process_heartbeat() { log_header(message()); }

void seq_check_processor::log_progress(std::uint64_t received) {
    get_logger()->info("{} messages received so far", grouped_count{received});
}

}  // namespace tarn::md
