#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "processing/period_figures.hpp"

namespace tarn::records {

// Every record of a run is written through here, in one of two forms:
//
// - text: each record exactly as it has always read, one log line;
// - JSON: one object per line, {"time":...,"level":...,"event":...} and the
//   record's own members. The logger's JSON pattern writes the time and the
//   level and wraps the members these functions give it.
//
// Message lines carry the message's fields as members (md/json_writer.hpp);
// every other record carries its numbers as members and, under "text", the
// text of its text form.
//
// Adding a kind of record: declare one function below, named after what
// happened and taking the record's numbers, and define it in records.cpp by
// one call of write_record with the level, the event name, the numbers as
// JSON members, and the text form's format and arguments:
//
//     void socket_drops(std::uint64_t dropped) {
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

// The form of every record from now on; the logger set-up chooses it.
void use_form(form chosen);
form current_form();

// "Start <program> <version> <revision> <arguments>", the first record.
void start(std::string_view program, std::string_view version, std::string_view revision,
           std::span<const char* const> arguments);

// A message line: the header alone when `body` is null, otherwise every
// field by `body`, which the message holds whole.
void message(md::byte_view message, const md::layout* body);

// Sequence anomalies found by the receive loop.
void gap(unsigned int expected, unsigned int received, unsigned int lost);
void resend(unsigned int received, unsigned int expected);

// A length that cannot be a message: below the header, or above the receive buffer.
void length_below_header(std::size_t length, std::size_t header_size);
void length_over_buffer(std::size_t length, std::size_t buffer_size);

// A message of a type without a layout, and one shorter than its layout.
void unknown_message(md::byte_view message);
void short_message(md::byte_view message, std::size_t layout_size);

// Frames of a capture that carry no datagram md_dump reads: IP fragments and
// frames cut short by the capture's snapshot length.
void capture_frames_skipped(std::string_view capture, std::uint64_t fragments, std::uint64_t cut);
// A capture damaged after its last good frame: `damage` names the file and that frame.
void capture_damaged(std::string_view damage);

// After the start record, when a receive buffer size was asked for: info when
// the kernel granted at least that, a warning when it granted less.
void receive_buffer(std::uint64_t asked, std::uint64_t granted);

// A datagram longer than the room the receive buffer had for it (warning).
void datagram_cut(std::size_t wire_size, std::size_t room);

// The figures of one interval of the interval statistics, and of the whole
// run after the summary (info).
void interval_figures(const period_figures& figures);
void run_figures(const period_figures& figures);

// Sequence checking: `received` messages so far.
void progress(std::uint64_t received);

// The end of a run: whether anything went wrong, the counts, the datagrams
// the kernel dropped for the socket (its receive buffer full) and, in a full
// display, the messages of each type in ascending order of type code.
struct type_count {
    std::string name;
    std::uint64_t count;
};
void summary(bool errors, std::uint64_t received, std::uint64_t lost, std::uint64_t socket_drops,
             std::span<const type_count> counts);

}  // namespace tarn::records
