#pragma once

#include <unordered_map>

#include "md/byte_view.hpp"
#include "md/enum_to_description.hpp"
#include "md/header.hpp"
#include "md/layout.hpp"
#include "md/layouts/session_messages.hpp"
#include "md/message_filter.hpp"
#include "processing/generic_processor.hpp"
#include "processing/records.hpp"

namespace tarn::md {

using processor = tarn::generic_processor<MsgType, Header, unsigned int, enum_to_description>;

// The printer of one message type: renders the message by its layout and
// writes it as one info record, unless `filter` hides it. A message shorter
// than its layout is not read; a warning names both sizes and the printer
// returns false.
struct message_printer {
    const layout* body;
    bool operator()(records::writer& records, byte_view message,
                    const message_filter& filter = {}) const;
};

// Adds the end-of-session test and the filter of message lines. Never used
// by itself.
class basic_processor : public processor {
  public:
    // Inline, so the receive loop can make it part of its own path.
    void check_finished() override {
        constexpr std::size_t event_offset =
            field_offset(trading_session_status_layout, "tradingSessionEvent");
        if (current_.type == MsgType::TradingSessionStatus &&
            current_.bytes.holds(event_offset + 1) &&
            current_.bytes.load<TradingSessionEvent>(event_offset) ==
                TradingSessionEvent::EndOfTechnicalSession) {
            finished_ = true;
        }
    }

    // From now on, message lines only for the messages `filter` shows.
    // Warnings, errors, progress, the sequence check and the counts still see
    // every message.
    void show_only(message_filter filter) { filter_ = std::move(filter); }

  protected:
    // The header line of the current message, when the filter shows it.
    void show_header();

    message_filter filter_;
};

// Writes the header text of every message.
class display_processor : public basic_processor {
  public:
    void process() override;
};

// Also writes the header text of every heartbeat.
class display_processor_with_hb : public display_processor {
  public:
    void process_heartbeat() override;
};

// Counts every message by type and writes it in full.
class full_display_processor : public basic_processor {
  public:
    full_display_processor();
    void process() override;

  protected:
    std::unordered_map<MsgType, message_printer> msg_printers_;
};

// Also writes the header text of every heartbeat.
class full_display_processor_with_hb : public full_display_processor {
  public:
    void process_heartbeat() override;
};

// Writes nothing per message, only a progress record every `every` messages.
class seq_check_processor : public basic_processor {
  public:
    // Inline, so the receive loop can make it part of its own path.
    void process() override {
        if (progress_due()) [[unlikely]] {
            records_.progress(received_);
        }
    }
};

}  // namespace tarn::md
