#pragma once

#include <boost/program_options.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "metrics/metrics_endpoint.hpp"
#include "net/multicast_receiver.hpp"

namespace tarn {

// A size in bytes: decimal digits, optionally followed by K, M or G (powers
// of 1024), from 1 up to the largest the socket interface takes (2^31 - 1).
struct byte_size {
    std::uint64_t bytes = 0;
};

// A positive number of seconds with up to nine decimals (0.25), at most a day.
struct seconds_value {
    std::chrono::nanoseconds value{0};
};

void validate(boost::any& target, const std::vector<std::string>& values, byte_size*, int);
void validate(boost::any& target, const std::vector<std::string>& values, seconds_value*, int);

namespace metrics {
// [ADDRESS:]PORT: an IPv4 address (127.0.0.1 when left out) and a port from
// 1; in the address's namespace, where the option library finds it.
void validate(boost::any& target, const std::vector<std::string>& values, listen_address*, int);
}  // namespace metrics

// --receive-buffer, --stats-interval and --serve-metrics, for the group of
// further options.
void add_reception_options(boost::program_options::options_description& options);

// The values of the first two: 0 where absent.
reception_settings read_reception_settings(const boost::program_options::variables_map& options);

// Where --serve-metrics asks to listen, if anywhere.
std::optional<metrics::listen_address> read_metrics_address(
    const boost::program_options::variables_map& options);

}  // namespace tarn
