#pragma once

// The parts the writer's record functions are made of, shared by the files
// that define them.

#include <spdlog/common.h>

#include <cmath>
#include <concepts>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "md/json_string.hpp"
#include "processing/grouped_count.hpp"
#include "processing/records.hpp"

namespace tarn::records {

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

template <class... Args>
void writer::write_record(spdlog::level::level_enum level, std::string_view event,
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

namespace parts {

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

inline constexpr double nanoseconds_per_second = 1e9;

// Below a millisecond in microseconds, below a second in milliseconds, then in seconds.
inline std::string latency_text(std::int64_t nanoseconds) {
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

// The counts by type as a JSON object: {"Name":count,...}.
inline auto count_object(std::span<const type_count> counts) {
    return [counts](md::text_stream& out) {
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
}

}  // namespace parts

}  // namespace tarn::records
