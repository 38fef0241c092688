#include "app/reception_options.hpp"

#include <arpa/inet.h>

#include <climits>
#include <optional>
#include <string_view>

#include "cli/decimal.hpp"

namespace tarn {

namespace po = boost::program_options;

void validate(boost::any& target, const std::vector<std::string>& values, byte_size*, int) {
    po::validators::check_first_occurrence(target);
    const std::string& text = po::validators::get_single_string(values);
    std::string_view digits = text;
    unsigned shift = 0;
    if (!digits.empty()) {
        switch (digits.back()) {
            case 'K':
            case 'k':
                shift = 10;
                break;
            case 'M':
            case 'm':
                shift = 20;
                break;
            case 'G':
            case 'g':
                shift = 30;
                break;
            default:
                break;
        }
    }
    if (shift != 0) {
        digits.remove_suffix(1);
    }
    const std::optional<std::uint64_t> number = parse_decimal<std::uint64_t>(digits);
    if (!number || *number == 0 || *number > (std::uint64_t{INT_MAX} >> shift)) {
        throw po::invalid_option_value(text);
    }
    target = byte_size{*number << shift};
}

void validate(boost::any& target, const std::vector<std::string>& values, seconds_value*, int) {
    po::validators::check_first_occurrence(target);
    const std::string& text = po::validators::get_single_string(values);
    constexpr std::uint64_t most_seconds = 86'400;
    constexpr std::size_t most_decimals = 9;
    const std::string_view all = text;
    const std::size_t point = all.find('.');
    const std::string_view whole = all.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : all.substr(point + 1);
    const std::optional<std::uint64_t> seconds = parse_decimal<std::uint64_t>(whole);
    const std::optional<std::uint64_t> given_decimals =
        point == std::string_view::npos ? std::optional<std::uint64_t>(0)
                                        : parse_decimal<std::uint64_t>(fraction);
    if (!seconds || !given_decimals || fraction.size() > most_decimals || *seconds > most_seconds) {
        throw po::invalid_option_value(text);
    }
    std::uint64_t decimals = *given_decimals;
    for (std::size_t i = fraction.size(); i < most_decimals; ++i) {
        decimals *= 10;
    }
    const std::chrono::nanoseconds value =
        std::chrono::seconds(*seconds) + std::chrono::nanoseconds(decimals);
    if (value.count() == 0 || value > std::chrono::seconds(most_seconds)) {
        throw po::invalid_option_value(text);
    }
    target = seconds_value{value};
}

void metrics::validate(boost::any& target, const std::vector<std::string>& values, listen_address*,
                       int) {
    po::validators::check_first_occurrence(target);
    const std::string& text = po::validators::get_single_string(values);
    metrics::listen_address where;
    const std::size_t colon = text.rfind(':');
    std::string_view port = text;
    if (colon != std::string::npos) {
        where.address = text.substr(0, colon);
        port.remove_prefix(colon + 1);
    }
    const std::optional<std::uint16_t> number = parse_decimal<std::uint16_t>(port);
    in_addr parsed{};
    if (!number || *number == 0 || inet_pton(AF_INET, where.address.c_str(), &parsed) != 1) {
        throw po::invalid_option_value(text);
    }
    where.port = *number;
    target = where;
}

void add_reception_options(po::options_description& options) {
    options.add_options()  //
        ("receive-buffer", po::value<byte_size>()->value_name("BYTES"),
         "socket receive buffer in bytes, with K, M or G (*)")  //
        ("stats-interval", po::value<seconds_value>()->value_name("SECONDS"),
         "statistics and latency every so many seconds (*)")  //
        ("serve-metrics", po::value<metrics::listen_address>()->value_name("PORT"),
         "serve Prometheus metrics at /metrics on this port of 127.0.0.1, or on ADDRESS:PORT "
         "(*)");
}

reception_settings read_reception_settings(const po::variables_map& options) {
    reception_settings settings;
    if (options.count("receive-buffer") != 0) {
        settings.receive_buffer = options["receive-buffer"].as<byte_size>().bytes;
    }
    if (options.count("stats-interval") != 0) {
        settings.stats_interval = options["stats-interval"].as<seconds_value>().value;
    }
    return settings;
}

std::optional<metrics::listen_address> read_metrics_address(const po::variables_map& options) {
    if (options.count("serve-metrics") == 0) {
        return std::nullopt;
    }
    return options["serve-metrics"].as<metrics::listen_address>();
}

}  // namespace tarn
