#pragma once

#include <cstdint>
#include <string>

#include "processing/records.hpp"

namespace tarn {

inline constexpr const char* logger_name = "md_dump_logger";
// The records' pattern, in local time; record_formatter writes it.
inline constexpr const char* log_pattern = "%Y-%m-%d %H:%M:%S.%F [%L] %v";
// The JSON form: the same clock, as an RFC 3339 time with the offset from
// UTC, and the full level name; the record's members follow.
inline constexpr const char* json_log_pattern =
    R"({"time":"%Y-%m-%dT%H:%M:%S.%F%z","level":"%l",%v})";

// How often the log reaches its file: after every record, so that a live log
// is current, or through one buffer flushed at the end, offline.
enum class log_flushing : std::uint8_t { every_record, at_end };

// Fills the logger slot: a file sink appending to `file_name`, or standard
// output when the name is empty, with the pattern of the records' `form`.
void set_up_logger(const std::string& file_name, records::form form = records::form::text,
                   log_flushing flushing = log_flushing::every_record);

// "Start <program> <version> <revision>" followed by every further argument,
// each behind one blank.
void log_start_record(records::writer& records, int argc, const char* const* argv);

}  // namespace tarn
