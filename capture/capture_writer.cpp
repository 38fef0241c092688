#include "capture/capture_writer.hpp"

#include <cstdio>
#include <stdexcept>

namespace tarn::capture {

namespace {

constexpr int snapshot_length = 65535;

}  // namespace

capture_writer::capture_writer(const std::string& path)
    : path_(path),
      handle_(pcap_open_dead_with_tstamp_precision(DLT_EN10MB, snapshot_length,
                                                   PCAP_TSTAMP_PRECISION_MICRO)) {
    if (!handle_) {
        throw std::runtime_error("cannot set up a pcap writer");
    }
    dumper_.reset(pcap_dump_open(handle_.get(), path.c_str()));
    if (!dumper_) {
        throw std::runtime_error("cannot write " + path + ": " + pcap_geterr(handle_.get()));
    }
}

void capture_writer::write(std::uint64_t time_ns, std::span<const std::uint8_t> frame) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(time_ns / 1'000'000'000U);
    header.ts.tv_usec = static_cast<suseconds_t>(time_ns % 1'000'000'000U / 1000U);
    header.caplen = static_cast<bpf_u_int32>(frame.size());
    header.len = header.caplen;
    // pcap_dump takes the dumper disguised as its callback's user pointer.
    pcap_dump(reinterpret_cast<u_char*>(dumper_.get()), &header, frame.data());
}

void capture_writer::finish() {
    if (pcap_dump_flush(dumper_.get()) != 0 || ferror(pcap_dump_file(dumper_.get())) != 0) {
        throw std::runtime_error("cannot write " + path_);
    }
}

}  // namespace tarn::capture
