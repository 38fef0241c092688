#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarn::capture {

// Writes Ethernet frames into a standard pcap file, through a buffer; "-" is
// standard output. Microsecond time stamps are the format every capture tool
// opens; nanosecond ones keep a receive time whole. The file is complete once
// the writer is gone, whatever ended its use.
class capture_writer {
  public:
    enum class precision : std::uint8_t { micro, nano };

    explicit capture_writer(const std::string& path, precision stamps = precision::micro);

    // One frame at `time_ns` nanoseconds since 1970 (UTC), `wire_length`
    // bytes long on the wire of which `frame` holds the first (all by default).
    void write(std::uint64_t time_ns, std::span<const std::uint8_t> frame,
               std::size_t wire_length = 0);

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
    precision stamps_;
    std::vector<char> buffer_;  // the file's stdio buffer: outlives the dumper
    std::unique_ptr<pcap_t, pcap_closer> handle_;
    std::unique_ptr<pcap_dumper_t, dumper_closer> dumper_;
};

}  // namespace tarn::capture
