#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_reader.hpp"
#include "capture/capture_writer.hpp"
#include "processing/datagram_recorder.hpp"

namespace tarn::capture {

// Writes the datagrams a run receives into a pcap file that capture tools
// open. The file is complete once the recorder is gone.
//
// Live, each datagram becomes an Ethernet frame with IPv4 and UDP headers,
// from the sender's address and port to the destination, with correct
// lengths and checksums, stamped with its receive time to the nanosecond
// (the time of recording when the source knows none). A datagram cut on
// receipt is written as a frame the capture cut: the bytes there are, its
// full length, no UDP checksum.
//
// Offline, each datagram's frame is copied as the capture being read holds
// it, byte for byte, with its time stamp, into a file of that capture's link
// type, snapshot length and precision: cutting a destination out of a
// capture keeps its frames as they were captured.
class capture_recorder final : public datagram_recorder {
  public:
    // Builds the frames of live datagrams.
    explicit capture_recorder(const std::string& path);
    // Copies the frames of the datagrams read from `capture`, which outlives it.
    capture_recorder(const std::string& path, const capture_reader& capture);

    void record(const datagram& received, const udp_destination& destination) override;

    // Flushes the file; throws std::runtime_error when it cannot be written.
    void finish() { writer_.finish(); }

  private:
    void build_frame(const datagram& received, const udp_destination& destination);

    const capture_reader* capture_ = nullptr;  // offline only
    capture_writer writer_;
    std::vector<std::uint8_t> frame_;  // reused: no allocation per datagram
    std::uint16_t ip_id_ = 0;
};

}  // namespace tarn::capture
