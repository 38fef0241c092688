#include "cli/channel_declaration.hpp"

#include <arpa/inet.h>

#include <spdlog/fmt/fmt.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "cli/strict_unsigned.hpp"

namespace tarn {

namespace {

constexpr std::size_t longest_name = 64;
constexpr std::size_t most_lines = 2;

[[noreturn]] void refuse(const std::string& origin, std::string_view what) {
    throw std::runtime_error(fmt::format("{}: {}", origin, what));
}

bool name_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The port's decimal digits, as the command line's own port option reads them.
std::optional<std::uint16_t> decimal_port(const std::string& text) {
    boost::any parsed;
    try {
        validate(parsed, {text}, static_cast<strict_unsigned<std::uint16_t>*>(nullptr), 0);
    } catch (const boost::program_options::error&) {
        return std::nullopt;
    }
    return boost::any_cast<strict_unsigned<std::uint16_t>>(parsed).value;
}

udp_destination parse_destination(std::string_view text, const std::string& origin) {
    if (text.empty()) {
        refuse(origin, "a destination is empty: write GROUP:PORT");
    }
    const std::size_t colon = text.rfind(':');
    const std::string group(text.substr(0, colon));
    if (colon == std::string_view::npos || colon + 1 == text.size()) {
        refuse(origin, fmt::format("the port of {} is missing", group));
    }
    const std::string port(text.substr(colon + 1));
    udp_destination line;
    if (inet_pton(AF_INET, group.c_str(), line.address.data()) != 1) {
        refuse(origin, fmt::format("{} is not an IPv4 address", group));
    }
    constexpr std::uint8_t first_multicast = 224;
    constexpr std::uint8_t last_multicast = 239;
    if (line.address[0] < first_multicast || line.address[0] > last_multicast) {
        refuse(origin,
               fmt::format("{} is not a multicast group (224.0.0.0 to 239.255.255.255)", group));
    }
    const std::optional<std::uint16_t> number = decimal_port(port);
    if (!number || *number == 0) {
        refuse(origin, fmt::format("the port {} is not a number from 1 to 65535", port));
    }
    line.port = *number;
    return line;
}

// The text of a file's line without its comment and surrounding blanks.
std::string_view declaration_of(std::string_view line) {
    line = line.substr(0, line.find('#'));
    constexpr std::string_view blanks = " \t\r";
    const std::size_t first = line.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(blanks) + 1 - first);
}

}  // namespace

channel_declaration parse_channel_declaration(std::string_view text, const std::string& origin) {
    channel_declaration channel;
    channel.origin = origin.empty() ? fmt::format("--add-channel {}", text) : origin;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        refuse(channel.origin, "expected NAME=GROUP:PORT or NAME=GROUP:PORT,GROUP:PORT");
    }
    channel.name = text.substr(0, equals);
    if (channel.name.empty()) {
        refuse(channel.origin, "the channel name is empty");
    }
    if (channel.name.size() > longest_name ||
        !std::all_of(channel.name.begin(), channel.name.end(), name_character)) {
        refuse(channel.origin,
               "a channel name is 1 to 64 letters, digits, '_', '.' or '-', and nothing else");
    }
    std::string_view lines = text.substr(equals + 1);
    for (;;) {
        const std::size_t comma = lines.find(',');
        if (channel.lines.size() == most_lines) {
            refuse(channel.origin, "more than two destinations: a channel has line A and B only");
        }
        channel.lines.push_back(parse_destination(lines.substr(0, comma), channel.origin));
        if (comma == std::string_view::npos) {
            break;
        }
        lines.remove_prefix(comma + 1);
    }
    if (channel.lines.size() == most_lines && channel.lines[0] == channel.lines[1]) {
        refuse(channel.origin, fmt::format("lines A and B are both {}", text_of(channel.lines[0])));
    }
    return channel;
}

std::vector<channel_declaration> read_channel_declarations(const std::string& path) {
    const std::string file_origin = fmt::format("--add-channel @{}", path);
    std::ifstream file(path);
    if (!file) {
        refuse(file_origin,
               fmt::format("cannot read the file: {}", std::generic_category().message(errno)));
    }
    std::vector<channel_declaration> channels;
    std::string line;
    for (unsigned number = 1; std::getline(file, line); ++number) {
        const std::string_view text = declaration_of(line);
        if (!text.empty()) {
            channels.push_back(parse_channel_declaration(
                text, fmt::format("{} line {} ({})", path, number, text)));
        }
    }
    if (file.bad()) {
        refuse(file_origin, "cannot read the file");
    }
    if (channels.empty()) {
        refuse(file_origin, "the file declares no channel");
    }
    return channels;
}

void check_channel_set(const std::vector<channel_declaration>& channels) {
    std::map<std::string_view, const channel_declaration*> names;
    std::map<udp_destination, const channel_declaration*> destinations;
    for (const channel_declaration& channel : channels) {
        const auto [named, new_name] = names.emplace(channel.name, &channel);
        if (!new_name) {
            refuse(channel.origin, fmt::format("channel {} is already declared by {}", channel.name,
                                               named->second->origin));
        }
        for (const udp_destination& line : channel.lines) {
            const auto [taken, new_line] = destinations.emplace(line, &channel);
            if (!new_line) {
                refuse(channel.origin, fmt::format("{} is already a line of channel {}",
                                                   text_of(line), taken->second->name));
            }
        }
    }
}

std::vector<channel_declaration> read_channels(const std::vector<std::string>& values) {
    std::vector<channel_declaration> channels;
    for (const std::string& value : values) {
        if (value.starts_with('@')) {
            std::vector<channel_declaration> from_file = read_channel_declarations(value.substr(1));
            std::move(from_file.begin(), from_file.end(), std::back_inserter(channels));
        } else {
            channels.push_back(parse_channel_declaration(value));
        }
    }
    check_channel_set(channels);
    return channels;
}

}  // namespace tarn
