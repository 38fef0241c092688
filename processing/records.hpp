#pragma once

#include <spdlog/common.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"
#include "processing/period_figures.hpp"

namespace tarn::records {

// Every record of a run is written through its writer, in one of two forms:
//
// - text: one log line per record, its text alone;
// - JSON: one object per line, {"time":...,"level":...,"event":...} and the
//   record's own members. The logger's JSON pattern writes the time and the
//   level and wraps the members the writer gives it.
//
// Message lines carry the message's fields as members (md/json_writer.hpp);
// every other record carries its numbers as members and, under "text", the
// text of its text form.
//
// Adding a kind of record: declare one member function of the writer, named
// after what happened and taking the record's numbers, and define it in
// records.cpp by one call of write_record with the level, the event name,
// the numbers as JSON members, and the text form's format and arguments:
//
//     void writer::socket_drops(std::uint64_t dropped) {
//         write_record(spdlog::level::warn, "socket_drops", {{"dropped", dropped}},
//                      "The socket dropped {} datagrams", dropped);
//     }
//
// gives "[W] The socket dropped 3 datagrams" as text and, as JSON,
// {"time":"...","level":"warning","event":"socket_drops","dropped":3,
// "text":"The socket dropped 3 datagrams"}. Event names are snake case and
// stable: scripts select records by them, so an event is never renamed. List
// a new event in the README's table of JSON records.

enum class form : std::uint8_t { text, json };

// The messages of one type, for the summary.
struct type_count {
    std::string name;
    std::uint64_t count;
};

// One line of a channel, for the summary of a run of several.
struct line_summary {
    char name = 'A';
    std::uint64_t datagrams = 0;
    std::uint64_t first = 0;       // messages it delivered first
    std::uint64_t missed = 0;      // messages it skipped that the other line delivered
    std::uint64_t duplicates = 0;  // copies the other line had delivered first
    std::uint64_t socket_drops = 0;
};

// The line race of a channel with two lines: for the numbers both carried,
// B's receive time minus A's, in nanoseconds.
struct race_summary {
    std::int64_t p50 = 0;
    std::int64_t p99 = 0;
    std::int64_t max = 0;
};

// One channel, for the summary of a run of several.
struct channel_summary {
    std::string_view name;
    bool errors = false;
    std::uint64_t received = 0;
    std::uint64_t lost = 0;
    std::uint64_t socket_drops = 0;
    std::span<const type_count> counts;
    std::span<const line_summary> lines;
    std::optional<race_summary> race;  // none with one line, or no number on both
};

// The records of one run: their form, the time they carry and the buffers
// they are composed in. Each record goes to the logger of get_logger() at
// the moment it is written.
class writer {
  public:
    explicit writer(form chosen = form::text) : form_(chosen) {}

    form chosen_form() const noexcept { return form_; }
    void use_form(form chosen) noexcept { form_ = chosen; }

    // The time the records written from now on carry, in nanoseconds since
    // 1970 (UTC); without one, the clock's time at writing. A run over a
    // capture sets each datagram's capture time while its records are written.
    void set_time(std::optional<std::uint64_t> time_ns) noexcept { time_ns_ = time_ns; }

    // In a run of several channels or lines, the channel and the line ('A' or
    // 'B'; 0 for none) the records written from now on belong to: a prefix
    // "NAME/A " or "NAME " before the text, or the members "channel" and
    // "line" after the event in JSON. `channel` must outlive the writer's use
    // of it; empty, as by default, for no prefix.
    void set_source(std::string_view channel, char line = 0) noexcept {
        channel_ = channel;
        line_ = line;
    }

    // "Start <program> <version> <revision> <arguments>", the first record.
    void start(std::string_view program, std::string_view version, std::string_view revision,
               std::span<const char* const> arguments);

    // A message line: the header alone when `body` is null, otherwise every
    // field by `body`, which the message must hold whole.
    void message(md::byte_view message, const md::layout* body);

    // Sequence anomalies found by the receive loop.
    void gap(unsigned int expected, unsigned int received, unsigned int lost);
    void resend(unsigned int received, unsigned int expected);

    // A length that cannot be a message: below the header, or above the
    // receive buffer, which ends reception, or in a run of several lines
    // (the records have a source) the framing of the line's datagram.
    void length_below_header(std::size_t length, std::size_t header_size);
    void length_over_buffer(std::size_t length, std::size_t buffer_size);

    // A message of a type without a layout, and one shorter than its layout.
    void unknown_message(md::byte_view message);
    void short_message(md::byte_view message, std::size_t layout_size);

    // Frames of a capture that carry no datagram md_dump reads: IP fragments
    // and frames cut short by the capture's snapshot length.
    void capture_frames_skipped(std::string_view capture, std::uint64_t fragments,
                                std::uint64_t cut);
    // A capture damaged after its last good frame: `damage` names the file and that frame.
    void capture_damaged(std::string_view damage);

    // After the start record, when a receive buffer size was asked for: info
    // when the kernel granted at least that, a warning when it granted less.
    void receive_buffer(std::uint64_t asked, std::uint64_t granted);

    // A datagram longer than the room the receive buffer had for it (warning).
    void datagram_cut(std::size_t wire_size, std::size_t room);

    // The figures of one interval of the interval statistics, and of the
    // whole run after the summary (info).
    void interval_figures(const period_figures& figures);
    void run_figures(const period_figures& figures);

    // Sequence checking: `received` messages so far.
    void progress(std::uint64_t received);

    // The end of a run: whether anything went wrong, the counts, the
    // datagrams the kernel dropped for the socket (its receive buffer full)
    // and, in a full display, the messages of each type in ascending order
    // of type code.
    void summary(bool errors, std::uint64_t received, std::uint64_t lost,
                 std::uint64_t socket_drops, std::span<const type_count> counts);

    // The records of a run of several channels or lines (feed_records.cpp).
    //
    // Numbers from `first` on, `count` of them, that no line delivered, and
    // why: the hole "missing on both lines", "not filled within the
    // arbitration window", "dropped from the full hold store" or "left open
    // when the numbering restarted or the run ended".
    void arbitrated_gap(std::uint32_t first, std::uint32_t count, std::string_view cause);
    // A line fell silent while the other carried traffic, and came back.
    void line_silent(char line);
    void line_back(char line);
    // A 0 on a line restarted the channel's numbering.
    void numbering_restart(char line);
    // Destinations of a capture beyond the most channels a run takes.
    void destinations_beyond_limit(std::uint64_t datagrams, std::size_t most_channels);
    // The end of a run of several channels: a block of each channel, then
    // the totals as summary() writes them. In JSON one record, the summary's
    // members and "channels", an object by channel name.
    void feed_summary(bool errors, std::uint64_t received, std::uint64_t lost,
                      std::uint64_t socket_drops, std::span<const type_count> counts,
                      std::span<const channel_summary> channels);

  private:
    class member;

    // One record that is not a message line: the text of `format` and
    // `args`, or in JSON the event, the members and that text.
    template <class... Args>
    void write_record(spdlog::level::level_enum level, std::string_view event,
                      std::initializer_list<member> members,
                      spdlog::format_string_t<Args...> format, Args&&... args);
    // "event":"<event>", the members, "text":"<text>", as one record.
    void write_json(spdlog::level::level_enum level, std::string_view event,
                    std::initializer_list<member> members, std::string_view text);
    void period_record(std::string_view event, std::string_view label,
                       const period_figures& figures);
    // Hands a finished record to the logger, with the record time when one is set.
    void log(spdlog::level::level_enum level, std::string_view text);

    // ,"channel":"NAME","line":"A" when the records have a source.
    void write_source_members(md::text_stream& out) const;

    form form_;
    std::optional<std::uint64_t> time_ns_;
    std::string_view channel_;
    char line_ = 0;
    // The members of the JSON record being written. Message text is rendered
    // apart, in md::message_text(), as a record may quote a message's header.
    md::text_stream members_;
    spdlog::memory_buf_t text_;      // the text of the record being written
    spdlog::memory_buf_t prefixed_;  // the same after the source's prefix
};

}  // namespace tarn::records
