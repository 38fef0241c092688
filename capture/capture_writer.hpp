#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "capture/capture_format.hpp"

namespace tarn::capture {

// Writes frames into a standard pcap file of the given format (Ethernet,
// microsecond stamps by default), through a buffer; "-" is standard output.
// The file is complete once the writer is gone, whatever ended its use.
class capture_writer {
  public:
    explicit capture_writer(const std::string& path, const capture_format& format = {});

    // One frame at `time_ns` nanoseconds since 1970 (UTC), `wire_length`
    // bytes long on the wire of which `frame` holds the first (all by default).
    void write(std::uint64_t time_ns, std::span<const std::uint8_t> frame,
               std::size_t wire_length = 0);

    // A frame as another file holds it: its record as libpcap reads it at
    // nanosecond precision, and its captured bytes. Written unchanged but for
    // the stamp's fraction, in this file's precision.
    void copy(const pcap_pkthdr& record, const std::uint8_t* bytes);

    // Flushes to the file; throws std::runtime_error when the data cannot be
    // written. Closing without it loses nothing but the error report.
    void finish();

  private:
    struct pcap_closer {
        void operator()(pcap_t* handle) const { pcap_close(handle); }
    };
    struct dumper_closer {
        void operator()(pcap_dumper_t* dumper) const { pcap_dump_close(dumper); }
    };

    std::string path_;
    stamp_precision stamps_;
    std::vector<char> buffer_;  // the file's stdio buffer: outlives the dumper
    std::unique_ptr<pcap_t, pcap_closer> handle_;
    std::unique_ptr<pcap_dumper_t, dumper_closer> dumper_;
};

}  // namespace tarn::capture
