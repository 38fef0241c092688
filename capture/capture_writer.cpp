#include "capture/capture_writer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

namespace tarn::capture {

namespace {

// Few system calls even for a fast feed, little lost if the process is killed.
constexpr std::size_t write_buffer_size = std::size_t{256} << 10U;

}  // namespace

capture_writer::capture_writer(const std::string& path, const capture_format& format)
    : path_(path),
      stamps_(format.stamps),
      handle_(pcap_open_dead_with_tstamp_precision(format.link_type, format.snapshot_length,
                                                   stamps_ == stamp_precision::nano
                                                       ? PCAP_TSTAMP_PRECISION_NANO
                                                       : PCAP_TSTAMP_PRECISION_MICRO)) {
    if (!handle_) {
        throw std::runtime_error("cannot set up a pcap writer");
    }
    if (path == "-") {
        dumper_.reset(pcap_dump_fopen(handle_.get(), stdout));
    } else {
        // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the dumper owns and closes it
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            throw std::runtime_error("cannot write " + path + ": " +
                                     std::generic_category().message(errno));
        }
        buffer_.resize(write_buffer_size);
        static_cast<void>(std::setvbuf(file, buffer_.data(), _IOFBF, buffer_.size()));
        dumper_.reset(pcap_dump_fopen(handle_.get(), file));
        if (!dumper_) {
            static_cast<void>(std::fclose(file));
        }
    }
    if (!dumper_) {
        throw std::runtime_error("cannot write " + path + ": " + pcap_geterr(handle_.get()));
    }
}

void capture_writer::write(std::uint64_t time_ns, std::span<const std::uint8_t> frame,
                           std::size_t wire_length) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(time_ns / 1'000'000'000U);
    const std::uint64_t fraction = time_ns % 1'000'000'000U;
    // With nanosecond precision libpcap writes tv_usec as it is: nanoseconds.
    header.ts.tv_usec =
        static_cast<suseconds_t>(stamps_ == stamp_precision::nano ? fraction : fraction / 1000U);
    header.caplen = static_cast<bpf_u_int32>(frame.size());
    header.len = static_cast<bpf_u_int32>(std::max(wire_length, frame.size()));
    // pcap_dump takes the dumper disguised as its callback's user pointer.
    pcap_dump(reinterpret_cast<u_char*>(dumper_.get()), &header, frame.data());
}

void capture_writer::copy(const pcap_pkthdr& record, const std::uint8_t* bytes) {
    pcap_pkthdr header = record;
    if (stamps_ == stamp_precision::micro) {
        header.ts.tv_usec /= 1000;  // a file in microseconds was read with them times 1000
    }
    pcap_dump(reinterpret_cast<u_char*>(dumper_.get()), &header, bytes);
}

void capture_writer::finish() {
    if (pcap_dump_flush(dumper_.get()) != 0 || ferror(pcap_dump_file(dumper_.get())) != 0) {
        throw std::runtime_error("cannot write " + path_);
    }
}

}  // namespace tarn::capture
