#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_writer.hpp"
#include "processing/datagram_recorder.hpp"

namespace tarn::capture {

// Writes the datagrams a run receives into a pcap file that capture tools
// open: each as an Ethernet frame with IPv4 and UDP headers, from the sender's
// address and port to the destination, with correct lengths and checksums,
// stamped with its receive time to the nanosecond (the time of recording
// when the source knows none). A datagram cut on receipt is written as a
// frame the capture cut: the bytes there are, its full length, no UDP
// checksum. The file is complete once the recorder is gone.
class capture_recorder final : public datagram_recorder {
  public:
    explicit capture_recorder(const std::string& path);

    void record(const datagram& received, const udp_destination& destination) override;

    // Flushes the file; throws std::runtime_error when it cannot be written.
    void finish() { writer_.finish(); }

  private:
    capture_writer writer_;
    std::vector<std::uint8_t> frame_;  // reused: no allocation per datagram
    std::uint16_t ip_id_ = 0;
};

}  // namespace tarn::capture
