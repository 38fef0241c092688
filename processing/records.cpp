#include "processing/records.hpp"

#include <spdlog/logger.h>

#include <cmath>
#include <concepts>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "md/header.hpp"
#include "md/json_writer.hpp"
#include "md/layout_printer.hpp"
#include "md/text_stream.hpp"
#include "processing/grouped_count.hpp"
#include "processing/logger.hpp"
#include "processing/record_parts.hpp"

namespace tarn::records {

namespace {

using parts::latency_text;
using parts::nanoseconds_per_second;
using parts::summary_lines;
using spdlog::level::level_enum;

// The header text of a message, in md::message_text().
std::string_view header_text(md::byte_view message) {
    auto& out = md::message_text();
    out.clear();
    md::write_header(out, message);
    return out.view();
}

// The header of a message as a JSON object.
auto header_object(md::byte_view message) {
    return [message](md::text_stream& out) { md::write_json_header_object(out, message); };
}

std::uint64_t per_second(std::uint64_t count, std::uint64_t duration_ns) {
    if (duration_ns == 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(std::llround(
        static_cast<double>(count) * nanoseconds_per_second / static_cast<double>(duration_ns)));
}

}  // namespace

void writer::write_source_members(md::text_stream& out) const {
    if (channel_.empty()) {
        return;
    }
    out << R"(,"channel":)";
    md::write_json_string(out, channel_);
    if (line_ != 0) {
        out << R"(,"line":")" << line_ << '"';
    }
}

void writer::log(level_enum level, std::string_view text) {
    if (!channel_.empty() && form_ == form::text) {
        prefixed_.clear();
        prefixed_.append(channel_);
        if (line_ != 0) {
            prefixed_.push_back('/');
            prefixed_.push_back(line_);
        }
        prefixed_.push_back(' ');
        prefixed_.append(text);
        text = {prefixed_.data(), prefixed_.size()};
    }
    const spdlog::string_view_t payload(text.data(), text.size());
    if (!time_ns_) {
        get_logger()->log(level, payload);
        return;
    }
    const auto time =
        spdlog::log_clock::time_point(std::chrono::duration_cast<spdlog::log_clock::duration>(
            std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(*time_ns_))));
    get_logger()->log(time, spdlog::source_loc{}, level, payload);
}

void writer::write_json(level_enum level, std::string_view event,
                        std::initializer_list<member> members, std::string_view text) {
    auto& out = members_;
    out.clear();
    out << R"("event":)";
    md::write_json_string(out, event);
    write_source_members(out);
    for (const member& m : members) {
        m.write(out);
    }
    out << R"(,"text":)";
    md::write_json_string(out, text);
    log(level, out.view());
}

// The figures of a period as one record, with `label` in front of its text.
void writer::period_record(std::string_view event, std::string_view label,
                           const period_figures& f) {
    std::string latency = "no latency";
    if (f.latency) {
        latency = "latency p50 " + latency_text(f.latency->p50) + " p99 " +
                  latency_text(f.latency->p99) + " max " + latency_text(f.latency->max);
    }
    const auto latency_object = [&f](md::text_stream& out) {
        if (!f.latency) {
            out << "null";
            return;
        }
        out << R"({"p50_ns":)" << f.latency->p50 << R"(,"p99_ns":)" << f.latency->p99
            << R"(,"max_ns":)" << f.latency->max << '}';
    };
    const std::uint64_t messages_per_second = per_second(f.messages, f.duration_ns);
    const std::uint64_t datagrams_per_second = per_second(f.datagrams, f.duration_ns);
    write_record(spdlog::level::info, event,
                 {{"duration_ns", f.duration_ns},
                  {"messages", f.messages},
                  {"messages_per_second", messages_per_second},
                  {"datagrams", f.datagrams},
                  {"datagrams_per_second", datagrams_per_second},
                  {"bytes", f.bytes},
                  {"gaps", f.gaps},
                  {"lost", f.lost},
                  {"socket_drops", f.socket_drops},
                  {"latency", latency_object},
                  {"peak_messages_per_ms", f.peak_messages_per_ms},
                  {"peak_bytes_per_ms", f.peak_bytes_per_ms}},
                 "{} {:.3f} s: {} messages ({}/s), {} datagrams ({}/s), {} bytes, {} gaps, {} "
                 "messages lost, {} socket drops, {}, peak per ms {} messages {} bytes",
                 label, static_cast<double>(f.duration_ns) / nanoseconds_per_second,
                 grouped_count{f.messages}, grouped_count{messages_per_second},
                 grouped_count{f.datagrams}, grouped_count{datagrams_per_second},
                 grouped_count{f.bytes}, grouped_count{f.gaps}, grouped_count{f.lost},
                 grouped_count{f.socket_drops}, latency, grouped_count{f.peak_messages_per_ms},
                 grouped_count{f.peak_bytes_per_ms});
}

void writer::start(std::string_view program, std::string_view version, std::string_view revision,
                   std::span<const char* const> arguments) {
    std::string tail;
    for (const char* argument : arguments) {
        tail += ' ';
        tail += argument;
    }
    const auto argument_array = [arguments](md::text_stream& out) {
        out << '[';
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            if (i > 0) {
                out << ',';
            }
            md::write_json_string(out, arguments[i]);
        }
        out << ']';
    };
    write_record(spdlog::level::info, "start",
                 {{"program", program},
                  {"version", version},
                  {"revision", revision},
                  {"arguments", argument_array}},
                 "Start {} {} {}{}", program, version, revision, tail);
}

void writer::message(md::byte_view message, const md::layout* body) {
    auto& out = md::message_text();
    out.clear();
    if (form_ == form::json) {
        out << R"("event":"message")";
        write_source_members(out);
        md::write_json_header(out, message);
        if (body != nullptr) {
            md::write_json_fields(out, *body, message);
        }
    } else {
        md::write_header(out, message);
        if (body != nullptr) {
            md::write_fields(out, *body, message);
        }
    }
    log(spdlog::level::info, out.view());
}

void writer::gap(unsigned int expected, unsigned int received, unsigned int lost) {
    write_record(spdlog::level::err, "gap",
                 {{"expected", expected}, {"received", received}, {"lost", lost}},
                 "Out of sync message. Expected seqNum {}, received seqNum {}, {} messages lost",
                 expected, received, lost);
}

void writer::resend(unsigned int received, unsigned int expected) {
    write_record(spdlog::level::err, "resend", {{"received", received}, {"expected", expected}},
                 "Resend of message with seqNum {}, expected seqNum {}", received, expected);
}

void writer::length_below_header(std::size_t length, std::size_t header_size) {
    write_record(spdlog::level::warn, "length_below_header",
                 {{"length", length}, {"header_size", header_size}},
                 "Message length {} is below the {}-byte header; skipped", length, header_size);
}

void writer::length_over_buffer(std::size_t length, std::size_t buffer_size) {
    write_record(spdlog::level::err, "length_over_buffer",
                 {{"length", length}, {"buffer_size", buffer_size}},
                 "Message length {} exceeds the {}-byte receive buffer; {}", length, buffer_size,
                 // A run of several lines goes on: only this line's framing was lost.
                 channel_.empty() ? "reception ended"
                                  : "the line's framing starts again at its next datagram");
}

void writer::unknown_message(md::byte_view message) {
    write_record(spdlog::level::warn, "unknown_message", {{"header", header_object(message)}},
                 "Unknown message {}", header_text(message));
}

void writer::short_message(md::byte_view message, std::size_t layout_size) {
    write_record(spdlog::level::warn, "short_message",
                 {{"length", message.size()},
                  {"layout_size", layout_size},
                  {"header", header_object(message)}},
                 "Message shorter than its layout, {} of {} bytes: {}", message.size(), layout_size,
                 header_text(message));
}

void writer::capture_frames_skipped(std::string_view capture, std::uint64_t fragments,
                                    std::uint64_t cut) {
    write_record(spdlog::level::warn, "capture_frames_skipped",
                 {{"capture", capture}, {"fragments", fragments}, {"cut", cut}},
                 "Not read from capture {}: {} IP fragments, {} frames cut short by its snapshot "
                 "length",
                 capture, fragments, cut);
}

void writer::capture_damaged(std::string_view damage) {
    write_record(spdlog::level::err, "capture_damaged", {{"damage", damage}}, "Reading stopped: {}",
                 damage);
}

void writer::receive_buffer(std::uint64_t asked, std::uint64_t granted) {
    if (granted >= asked) {
        write_record(spdlog::level::info, "receive_buffer",
                     {{"asked", asked}, {"granted", granted}},
                     "Socket receive buffer of {} bytes, {} asked", grouped_count{granted},
                     grouped_count{asked});
        return;
    }
    write_record(spdlog::level::warn, "receive_buffer", {{"asked", asked}, {"granted", granted}},
                 "Socket receive buffer of only {} bytes, {} asked: the system's limit "
                 "(net.core.rmem_max) is lower and the process may not exceed it",
                 grouped_count{granted}, grouped_count{asked});
}

void writer::datagram_cut(std::size_t wire_size, std::size_t room) {
    write_record(spdlog::level::warn, "datagram_cut", {{"wire_size", wire_size}, {"room", room}},
                 "Datagram of {} bytes cut to the {} bytes the receive buffer had room for; its "
                 "incomplete end dropped",
                 wire_size, room);
}

void writer::interval_figures(const period_figures& figures) {
    period_record("interval", "Interval of", figures);
}

void writer::run_figures(const period_figures& figures) {
    period_record("run_figures", "Whole run of", figures);
}

void writer::progress(std::uint64_t received) {
    write_record(spdlog::level::info, "progress", {{"received", received}},
                 "{} messages received so far", grouped_count{received});
}

void writer::summary(bool errors, std::uint64_t received, std::uint64_t lost,
                     std::uint64_t socket_drops, std::span<const type_count> counts) {
    if (form_ == form::text) {
        summary_lines(errors, received, lost, socket_drops, counts,
                      [this](level_enum level, std::string_view line) { log(level, line); });
        return;
    }
    // One record; its text is the lines of the text form.
    std::string text;
    summary_lines(errors, received, lost, socket_drops, counts,
                  [&](level_enum /*level*/, std::string_view line) {
                      text.append(text.empty() ? "" : "\n").append(line);
                  });
    write_json(errors ? spdlog::level::warn : spdlog::level::info, "summary",
               {{"errors", errors},
                {"received", received},
                {"lost", lost},
                {"socket_drops", socket_drops},
                {"counts", parts::count_object(counts)}},
               text);
}

}  // namespace tarn::records
