#include "processing/md_processors.hpp"

#include "md/catalogue.hpp"
#include "processing/records.hpp"

namespace tarn::md {

bool message_printer::operator()(records::writer& records, byte_view message,
                                 const message_filter& filter) const {
    if (!message.holds(body->size)) {
        records.short_message(message, body->size);
        return false;
    }
    if (filter.shows(message)) {
        records.message(message, body);
    }
    return true;
}

void basic_processor::show_header() {
    if (filter_.shows(current_.bytes)) {
        records_.message(current_.bytes, nullptr);
    }
}

void display_processor::process() { show_header(); }

void display_processor_with_hb::process_heartbeat() { show_header(); }

full_display_processor::full_display_processor() {
    for (const catalogue_entry& entry : printable_messages()) {
        msg_printers_.emplace(entry.type, message_printer{entry.body});
    }
}

void full_display_processor::process() {
    count_by_type();
    const auto printer = msg_printers_.find(current_.type);
    if (printer == msg_printers_.end()) {
        records_.unknown_message(current_.bytes);
        ++anomalies_.unknown_messages;
        errors_ = true;
        return;
    }
    if (!printer->second(records_, current_.bytes, filter_)) {
        ++anomalies_.short_messages;
        errors_ = true;
    }
}

void full_display_processor_with_hb::process_heartbeat() { show_header(); }

}  // namespace tarn::md
