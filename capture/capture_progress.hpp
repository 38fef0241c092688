#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "capture/capture_reader.hpp"
#include "processing/datagram_source.hpp"
#include "processing/feed_datagram_source.hpp"

namespace tarn::capture {

// Where progress is drawn, whether at all, and the clock that times it:
// standard error when it is a terminal, on the steady clock; a test's own.
struct progress_display {
    std::ostream* out = nullptr;
    bool shown = false;
    std::function<std::uint64_t()> now_ns;  // any epoch

    static progress_display standard_error();
};

// How far a capture file of known size has been read, drawn on one line of a
// terminal a few times a second and erased at the end, so that nothing of it
// stays:
//
//   day.pcap: 42.0 % read, 118 MB/s, 12 s left
//
// The rate is that of the whole read so far. Cheap per datagram: the clock
// is read every check_every datagrams only, and the line drawn at most every
// redraw_every_ns, the first time after as long.
class capture_progress {
  public:
    static constexpr std::uint32_t check_every = 4096;
    static constexpr std::uint64_t redraw_every_ns = 250'000'000;

    // `position` tells the bytes read so far of a file of `size`; without a
    // size nothing is drawn.
    capture_progress(std::string name, std::optional<std::uint64_t> size,
                     std::function<std::uint64_t()> position, progress_display display);
    // The reader's file, on standard error when that is a terminal; not
    // when the log goes to standard output and that is the same terminal.
    capture_progress(const capture_reader& reader, bool log_on_standard_output);
    ~capture_progress() { erase(); }
    capture_progress(const capture_progress&) = delete;
    capture_progress& operator=(const capture_progress&) = delete;
    capture_progress(capture_progress&&) = default;
    capture_progress& operator=(capture_progress&&) = delete;

    void datagram_read() {
        if (shown_ && --countdown_ == 0) {
            countdown_ = check_every;
            look();
        }
    }
    // Erases the line, when one is drawn.
    void erase();

  private:
    // Reads the clock, and draws when it is time.
    void look();

    std::string name_;
    std::uint64_t size_ = 0;
    std::function<std::uint64_t()> position_;
    progress_display display_;
    bool shown_ = false;
    bool drawn_ = false;
    std::uint32_t countdown_ = check_every;
    std::uint64_t start_ns_ = 0;
    std::uint64_t start_position_ = 0;
    std::uint64_t last_draw_ns_ = 0;
};

// Hands on what another source gives, showing the progress of its capture;
// the line is erased at the end of the input.
class progress_source final : public forwarding_source {
  public:
    progress_source(datagram_source& from, capture_progress progress)
        : forwarding_source(from), progress_(std::move(progress)) {}

    std::optional<datagram> next() override {
        std::optional<datagram> read = from().next();
        if (read) {
            progress_.datagram_read();
        } else {
            progress_.erase();
        }
        return read;
    }

  private:
    capture_progress progress_;
};

// The same for a source of several lines.
class feed_progress_source final : public feed_datagram_source {
  public:
    feed_progress_source(feed_datagram_source& from, capture_progress progress)
        : from_(from), progress_(std::move(progress)) {}

    std::optional<datagram> next() override {
        std::optional<datagram> read = from_.next();
        if (read) {
            progress_.datagram_read();
        } else {
            progress_.erase();
        }
        return read;
    }
    std::size_t line_count() const override { return from_.line_count(); }
    const udp_destination& destination(std::size_t line_index) const override {
        return from_.destination(line_index);
    }

  private:
    feed_datagram_source& from_;
    capture_progress progress_;
};

}  // namespace tarn::capture
