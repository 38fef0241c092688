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

namespace tarn::records {

namespace {

using spdlog::level::level_enum;

}  // namespace

// One member of a JSON record: a number, a yes or no, a text, or JSON that a
// function writes (an object or an array). It only refers to what it is
// given, which lives until the record is written.
class writer::member {
  public:
    member(std::string_view name, bool value)
        : name_(name), kind_(kind::boolean), number_(value ? 1 : 0) {}

    template <std::integral T>
    requires(!std::same_as<T, bool>) member(std::string_view name, T value) : name_(name) {
        if constexpr (std::is_signed_v<T>) {
            kind_ = kind::signed_number;
            signed_number_ = value;
        } else {
            kind_ = kind::number;
            number_ = value;
        }
    }

    member(std::string_view name, std::string_view text)
        : name_(name), kind_(kind::text), text_(text) {}
    member(std::string_view name, const char* text) : member(name, std::string_view(text)) {}

    template <class Write>
    requires std::invocable<const Write&, md::text_stream&> member(std::string_view name,
                                                                   const Write& write)
        : name_(name), kind_(kind::json), write_(&call<Write>), writer_(&write) {}

    // ,"name":value
    void write(md::text_stream& out) const {
        out << ',';
        md::write_json_string(out, name_);
        out << ':';
        switch (kind_) {
            case kind::boolean:
                out << (number_ != 0 ? "true" : "false");
                break;
            case kind::number:
                out << number_;
                break;
            case kind::signed_number:
                out << signed_number_;
                break;
            case kind::text:
                md::write_json_string(out, text_);
                break;
            case kind::json:
                write_(writer_, out);
                break;
        }
    }

  private:
    enum class kind : std::uint8_t { boolean, number, signed_number, text, json };

    template <class Write>
    static void call(const void* write, md::text_stream& out) {
        (*static_cast<const Write*>(write))(out);
    }

    std::string_view name_;
    kind kind_ = kind::number;
    std::uint64_t number_ = 0;
    std::int64_t signed_number_ = 0;
    std::string_view text_;
    void (*write_)(const void*, md::text_stream&) = nullptr;
    const void* writer_ = nullptr;
};

namespace {

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

// One formatted line at a time, in a buffer kept for the next.
class line_text {
  public:
    template <class... Args>
    std::string_view operator()(spdlog::format_string_t<Args...> format, Args&&... args) {
        text_.clear();
        spdlog::fmt_lib::format_to(std::back_inserter(text_), format, std::forward<Args>(args)...);
        return {text_.data(), text_.size()};
    }

  private:
    spdlog::memory_buf_t text_;
};

// The lines of a summary's text form with their levels, in order.
template <class Line>
void summary_lines(bool errors, std::uint64_t received, std::uint64_t lost,
                   std::uint64_t socket_drops, std::span<const type_count> counts, Line line) {
    line_text format;
    if (errors) {
        line(spdlog::level::warn, format("There were some errors."));
    }
    line(spdlog::level::info, format("{} messages received", grouped_count{received}));
    if (lost != 0) {
        line(spdlog::level::warn, format("{} messages lost", grouped_count{lost}));
    }
    if (socket_drops != 0) {
        line(spdlog::level::warn,
             format("{} datagrams dropped by this host's socket, its receive buffer full: see "
                    "--receive-buffer",
                    grouped_count{socket_drops}));
    }
    constexpr unsigned name_width = 40;
    for (const auto& [name, count] : counts) {
        const auto count_text = spdlog::fmt_lib::format(separator_locales()[0], "{:20L}", count);
        line(spdlog::level::info, format("{:{}} {}", name, name_width, count_text));
    }
}

constexpr double nanoseconds_per_second = 1e9;

// Below a millisecond in microseconds, below a second in milliseconds, then in seconds.
std::string latency_text(std::int64_t nanoseconds) {
    const auto value = static_cast<double>(nanoseconds);
    const double magnitude = std::abs(value);
    if (magnitude < 1e6) {
        return spdlog::fmt_lib::format("{:.1f} us", value / 1e3);
    }
    if (magnitude < nanoseconds_per_second) {
        return spdlog::fmt_lib::format("{:.3f} ms", value / 1e6);
    }
    return spdlog::fmt_lib::format("{:.3f} s", value / nanoseconds_per_second);
}

std::uint64_t per_second(std::uint64_t count, std::uint64_t duration_ns) {
    if (duration_ns == 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(std::llround(
        static_cast<double>(count) * nanoseconds_per_second / static_cast<double>(duration_ns)));
}

}  // namespace

void writer::log(level_enum level, std::string_view text) {
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
    for (const member& m : members) {
        m.write(out);
    }
    out << R"(,"text":)";
    md::write_json_string(out, text);
    log(level, out.view());
}

template <class... Args>
void writer::write_record(level_enum level, std::string_view event,
                          std::initializer_list<member> members,
                          spdlog::format_string_t<Args...> format, Args&&... args) {
    text_.clear();
    spdlog::fmt_lib::format_to(std::back_inserter(text_), format, std::forward<Args>(args)...);
    const std::string_view text(text_.data(), text_.size());
    if (form_ == form::text) {
        log(level, text);
    } else {
        write_json(level, event, members, text);
    }
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
                 "Message length {} exceeds the {}-byte receive buffer; reception ended", length,
                 buffer_size);
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
    const auto count_object = [counts](md::text_stream& out) {
        out << '{';
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (i > 0) {
                out << ',';
            }
            md::write_json_string(out, counts[i].name);
            out << ':' << counts[i].count;
        }
        out << '}';
    };
    write_json(errors ? spdlog::level::warn : spdlog::level::info, "summary",
               {{"errors", errors},
                {"received", received},
                {"lost", lost},
                {"socket_drops", socket_drops},
                {"counts", count_object}},
               text);
}

}  // namespace tarn::records
