#include <numeric>
#include <string>

#include "processing/record_parts.hpp"

namespace tarn::records {

namespace {

using spdlog::level::level_enum;

// A share of `part` in `whole`, in percent with one decimal.
double percent(std::uint64_t part, std::uint64_t whole) {
    constexpr double hundred = 100.0;
    return whole == 0 ? 0.0 : hundred * static_cast<double>(part) / static_cast<double>(whole);
}

// The same as a fraction of 1 with four decimals, for JSON.
std::string share_text(std::uint64_t part, std::uint64_t whole) {
    constexpr double hundred = 100.0;
    return spdlog::fmt_lib::format("{:.4f}", percent(part, whole) / hundred);
}

std::uint64_t first_total(std::span<const line_summary> lines) {
    return std::accumulate(
        lines.begin(), lines.end(), std::uint64_t{0},
        [](std::uint64_t total, const line_summary& line) { return total + line.first; });
}

// The lines of one channel's block after its summary lines: one a line, then
// the race. `line` takes the level, the line's name (0 for the channel's)
// and the text.
template <class Line>
void channel_block(const channel_summary& channel, Line line) {
    parts::line_text format;
    for (const line_summary& l : channel.lines) {
        line(level_enum::info, l.name,
             format("{} datagrams, {} messages first, {} missed, {} duplicates, {} socket drops",
                    grouped_count{l.datagrams}, grouped_count{l.first}, grouped_count{l.missed},
                    grouped_count{l.duplicates}, grouped_count{l.socket_drops}));
    }
    if (channel.race && channel.lines.size() == 2) {
        const std::uint64_t firsts = first_total(channel.lines);
        line(level_enum::info, 0,
             format("Line race B-A p50 {} p99 {} max {}; A first {:.1f} %, B first {:.1f} %",
                    parts::latency_text(channel.race->p50), parts::latency_text(channel.race->p99),
                    parts::latency_text(channel.race->max), percent(channel.lines[0].first, firsts),
                    percent(channel.lines[1].first, firsts)));
    }
}

// {"received":..,"lost":..,"lines":{"A":{..},"B":{..}},"race":..}
void write_channel_object(md::text_stream& out, const channel_summary& channel) {
    out << R"({"received":)" << channel.received << R"(,"lost":)" << channel.lost
        << R"(,"lines":{)";
    const std::uint64_t firsts = first_total(channel.lines);
    for (std::size_t i = 0; i < channel.lines.size(); ++i) {
        const line_summary& l = channel.lines[i];
        out << (i > 0 ? "," : "") << '"' << l.name << R"(":{"datagrams":)" << l.datagrams
            << R"(,"first":)" << l.first << R"(,"missed":)" << l.missed << R"(,"duplicates":)"
            << l.duplicates << R"(,"socket_drops":)" << l.socket_drops << '}';
    }
    out << R"(},"race":)";
    if (!channel.race || channel.lines.size() != 2) {
        out << "null}";
        return;
    }
    out << R"({"p50_ns":)" << channel.race->p50 << R"(,"p99_ns":)" << channel.race->p99
        << R"(,"max_ns":)" << channel.race->max << R"(,"won":{"A":)";
    out << share_text(channel.lines[0].first, firsts) << R"(,"B":)"
        << share_text(channel.lines[1].first, firsts) << "}}}";
}

}  // namespace

void writer::arbitrated_gap(std::uint32_t first, std::uint32_t count, std::string_view cause) {
    const std::uint32_t last = first + count - 1;
    write_record(
        level_enum::err, "gap",
        {{"expected", first}, {"received", first + count}, {"lost", count}, {"cause", cause}},
        "{} messages lost, seqNum {} to {}: {}", count, first, last, cause);
}

void writer::line_silent(char line) {
    const char name[] = {line, 0};
    write_record(level_enum::warn, "line_silent", {{"silent_line", std::string_view(name)}},
                 "Line {} silent while the other line carries traffic", line);
}

void writer::line_back(char line) {
    const char name[] = {line, 0};
    write_record(level_enum::info, "line_back", {{"back_line", std::string_view(name)}},
                 "Line {} carries traffic again", line);
}

void writer::numbering_restart(char line) {
    const char name[] = {line, 0};
    write_record(level_enum::info, "restart", {{"restart_line", std::string_view(name)}},
                 "Line {} restarted the sequence numbers", line);
}

void writer::destinations_beyond_limit(std::uint64_t datagrams, std::size_t most_channels) {
    write_record(level_enum::warn, "destinations_beyond_limit",
                 {{"datagrams", datagrams}, {"most_channels", most_channels}},
                 "{} datagrams to destinations beyond the first {} not read", datagrams,
                 most_channels);
}

void writer::feed_summary(bool errors, std::uint64_t received, std::uint64_t lost,
                          std::uint64_t socket_drops, std::span<const type_count> counts,
                          std::span<const channel_summary> channels) {
    const std::string_view kept_channel = channel_;
    const char kept_line = line_;
    std::string text;  // in JSON, the text of the text form
    const auto emit = [&](level_enum level, std::string_view channel, char line,
                          std::string_view line_text) {
        if (form_ == form::text) {
            set_source(channel, line);
            log(level, line_text);
            return;
        }
        text.append(text.empty() ? "" : "\n");
        if (!channel.empty()) {
            text.append(channel);
            text.append(line != 0 ? std::string{'/', line, ' '} : std::string{" "});
        }
        text.append(line_text);
    };
    for (const channel_summary& channel : channels) {
        parts::summary_lines(
            channel.errors, channel.received, channel.lost, channel.socket_drops, channel.counts,
            [&](level_enum level, std::string_view l) { emit(level, channel.name, 0, l); });
        channel_block(channel, [&](level_enum level, char line, std::string_view l) {
            emit(level, channel.name, line, l);
        });
    }
    parts::summary_lines(errors, received, lost, socket_drops, counts,
                         [&](level_enum level, std::string_view l) { emit(level, {}, 0, l); });
    set_source(kept_channel, kept_line);
    if (form_ == form::text) {
        return;
    }
    const auto channel_objects = [channels](md::text_stream& out) {
        out << '{';
        for (std::size_t i = 0; i < channels.size(); ++i) {
            out << (i > 0 ? "," : "");
            md::write_json_string(out, channels[i].name);
            out << ':';
            write_channel_object(out, channels[i]);
        }
        out << '}';
    };
    write_json(errors ? level_enum::warn : level_enum::info, "summary",
               {{"errors", errors},
                {"received", received},
                {"lost", lost},
                {"socket_drops", socket_drops},
                {"counts", parts::count_object(counts)},
                {"channels", channel_objects}},
               text);
}

}  // namespace tarn::records
