#pragma once

#include <boost/program_options.hpp>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

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

// --receive-buffer and --stats-interval, for the group of further options.
void add_reception_options(boost::program_options::options_description& options);

// Their values: 0 where absent.
reception_settings read_reception_settings(const boost::program_options::variables_map& options);

}  // namespace tarn
