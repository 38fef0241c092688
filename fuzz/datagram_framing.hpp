#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::fuzz {

// The receive-loop input: datagrams one after another, each behind a 2-byte
// little-endian size. A size beyond the end of the input takes what is left,
// so every input splits into datagrams and the fuzzer never wastes a run.
inline std::vector<std::string_view> split_datagrams(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string_view> datagrams;
    std::size_t at = 0;
    while (size - at >= 2) {
        const std::size_t wanted = data[at] | (std::size_t{data[at + 1]} << 8U);
        at += 2;
        const std::size_t taken = wanted < size - at ? wanted : size - at;
        datagrams.emplace_back(reinterpret_cast<const char*>(data + at), taken);
        at += taken;
    }
    return datagrams;
}

// The inverse of split_datagrams, for writing seeds.
inline std::string join_datagrams(const std::vector<std::string>& datagrams) {
    std::string joined;
    for (const std::string& datagram : datagrams) {
        joined += static_cast<char>(datagram.size() & 0xFFU);
        joined += static_cast<char>(datagram.size() >> 8U);
        joined += datagram;
    }
    return joined;
}

}  // namespace tarn::fuzz
