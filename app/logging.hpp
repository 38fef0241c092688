#pragma once

#include <string>

namespace tarn {

inline constexpr const char* logger_name = "md_dump_logger";
inline constexpr const char* log_pattern = "%Y-%m-%d %H:%M:%S.%F [%L] %v";

// Fills the logger slot: a file sink appending to `file_name`, or standard
// output when the name is empty.
void set_up_logger(const std::string& file_name);

// "Start <program> <version> <revision>" followed by every further argument,
// each behind one blank.
void log_start_record(int argc, const char* const* argv);

}  // namespace tarn
