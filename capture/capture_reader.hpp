#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/capture_format.hpp"
#include "capture/frame_decoder.hpp"
#include "processing/datagram_source.hpp"

namespace tarn::capture {

// One captured frame: when it was captured and what it carries.
struct captured_frame {
    std::uint64_t time_ns = 0;  // since 1970 (UTC)
    decoded_frame content;      // its payload stays valid until the next read
    // The frame as the file holds it, valid until the next read too: its
    // record (with nanoseconds in ts.tv_usec, the precision it is read at)
    // and its captured bytes.
    const pcap_pkthdr* record = nullptr;
    const std::uint8_t* bytes = nullptr;
};

// The UDP datagram of a frame that carries one whole, as a source hands it
// on: a view of its payload, valid until the next read.
datagram datagram_of(const captured_frame& frame);

// A capture that ends inside a record or breaks its format midway.
class capture_damaged : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads a capture file (pcap or pcapng, through libpcap) frame by frame; "-"
// reads standard input. Failures throw std::runtime_error with a text naming
// the file: a file that cannot be opened, is not a capture or has an
// unsupported link type; capture_damaged when it ends inside a record.
class capture_reader {
  public:
    explicit capture_reader(const std::string& path);
    // Reads an open file, which it closes; `name` is how messages call it.
    capture_reader(std::FILE* file, std::string name);
    ~capture_reader() = default;
    // The open stream counts its bytes into this object.
    capture_reader(const capture_reader&) = delete;
    capture_reader& operator=(const capture_reader&) = delete;
    capture_reader(capture_reader&&) = delete;
    capture_reader& operator=(capture_reader&&) = delete;

    // The next frame, or nothing at the end of the file.
    std::optional<captured_frame> next();
    // The same, or nothing at damage too, its text then in `damage` unless a
    // stop signal interrupted the read: from a pipe, that is the end the
    // user asked for.
    std::optional<captured_frame> next_or_damage(std::string& damage);

    // Frames read so far.
    std::uint64_t frames() const { return frames_; }

    // The frame `next` gave last; empty before the first.
    const captured_frame& last_frame() const { return last_; }

    // The file's link type, snapshot length and time stamp precision: a
    // pcapng file's is nanoseconds, which keep the stamps of any resolution.
    const capture_format& format() const { return format_; }

    // The file's name as messages give it.
    const std::string& name() const { return name_; }

    // The file's size when it is a regular file; a pipe has none.
    const std::optional<std::uint64_t>& size() const { return size_; }
    // Bytes read of the file so far: ahead of the frames handed out by up to
    // a buffer's worth (a megabyte), which is close enough to show progress.
    std::uint64_t position() const;

  private:
    // Has libpcap read the open file, which it then closes, through `buffer_`
    // when there is one.
    void open(std::FILE* file);
    // Checks what libpcap opened; `error` is its text when it opened nothing.
    void check_opened(const char* error);

    struct pcap_closer {
        void operator()(pcap_t* handle) const { pcap_close(handle); }
    };

    std::string name_;
    std::vector<char> buffer_;      // the file's buffer: outlives libpcap's handle
    std::uint64_t bytes_read_ = 0;  // by the stream libpcap reads: outlives it too
    std::FILE* regular_ = nullptr;  // a regular file libpcap reads itself; closed with it
    std::optional<std::uint64_t> size_;
    std::unique_ptr<pcap_t, pcap_closer> handle_;
    capture_format format_;
    std::uint64_t frames_ = 0;
    captured_frame last_;
};

}  // namespace tarn::capture
