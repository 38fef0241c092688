#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace tarn::testing {

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Every line of a log, each after its "YYYY-MM-DD HH:MM:SS.nnnnnnnnn "
// prefix ("[I] text"), or "" where the prefix does not have that form.
inline std::vector<std::string> log_messages(const std::string& text) {
    static const std::regex prefix(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{9} (.*))");
    std::vector<std::string> messages;
    for (const std::string& line : split_lines(text)) {
        std::smatch match;
        messages.push_back(std::regex_match(line, match, prefix) ? match[1].str() : "");
    }
    return messages;
}

// The records of md_dump's log after its start-up record, each after its prefix.
inline std::vector<std::string> records_after_start(const std::string& text) {
    std::vector<std::string> lines = log_messages(text);
    EXPECT_TRUE(!lines.empty() && lines.front().starts_with("[I] Start ")) << text;
    return lines.empty() ? lines : std::vector<std::string>(lines.begin() + 1, lines.end());
}

// How many of `lines` start with `text`.
inline std::size_t count_starting(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<std::size_t>(std::ranges::count_if(
        lines, [&](const std::string& line) { return line.starts_with(text); }));
}

}  // namespace tarn::testing
