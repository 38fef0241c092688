#pragma once

#include <pcap/dlt.h>

#include <cstdint>

namespace tarn::capture {

// How a pcap file stamps its frames: in microseconds, which every capture
// tool opens, or in nanoseconds, which keep a receive time whole.
enum class stamp_precision : std::uint8_t { micro, nano };

// What a pcap file says once for all its frames.
struct capture_format {
    int link_type = DLT_EN10MB;
    int snapshot_length = 65535;
    stamp_precision stamps = stamp_precision::micro;
};

}  // namespace tarn::capture
