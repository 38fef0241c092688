#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tarn::capture {

// Writes Ethernet frames into a standard pcap file (microsecond time stamps,
// the format every capture tool opens). "-" is standard output.
class capture_writer {
  public:
    explicit capture_writer(const std::string& path);

    // One frame, captured whole, at `time_ns` nanoseconds since 1970 (UTC).
    void write(std::uint64_t time_ns, std::span<const std::uint8_t> frame);

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
    std::unique_ptr<pcap_t, pcap_closer> handle_;
    std::unique_ptr<pcap_dumper_t, dumper_closer> dumper_;
};

}  // namespace tarn::capture
