// Arbitrary capture files through libpcap, the frame decoder and the feed
// capture source, with declared lines or every destination taken as a line,
// and the progress of reading drawn on every look (into nothing), checking
// what the source promises: each datagram's line is one it has, whole and
// within its bounds, and the lines never outgrow the declared ones or the
// most a whole capture is split into.
//
// Input: one byte of settings, then the bytes of the file. Bit 0 takes
// every destination; bit 1 declares 239.255.0.1:31000 (md_synth's default),
// bit 2 239.255.0.2:31001.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "capture/capture_progress.hpp"
#include "capture/capture_reader.hpp"
#include "capture/feed_capture_source.hpp"

namespace {

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// A stream that writes nowhere.
std::ostream& nowhere() {
    static std::ostream sink(nullptr);
    return sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::uint8_t settings = data[0];
    const bool every = (settings & 1U) != 0;
    std::vector<tarn::udp_destination> lines;
    if ((settings & 2U) != 0) {
        lines.push_back({{239, 255, 0, 1}, 31000});
    }
    if ((settings & 4U) != 0) {
        lines.push_back({{239, 255, 0, 2}, 31001});
    }
    // libpcap reads a stream: the rest of the input becomes one, in place.
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the reader closes it
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data + 1), size - 1, "rb");
    if (file == nullptr) {
        return 0;
    }
    try {
        tarn::capture::capture_reader reader(file, "fuzz input");
        tarn::capture::feed_capture_source source(reader, lines, every);
        // A clock a second on at every look: each look draws.
        std::uint64_t now = 0;
        tarn::capture::progress_source shown(
            source, tarn::capture::capture_progress(
                        reader.name(), size - 1, [&reader] { return reader.position(); },
                        {.out = &nowhere(), .shown = true, .now_ns = [&now] {
                             return now += 1'000'000'000;
                         }}));
        const std::size_t most =
            every ? std::max(lines.size(), tarn::capture::feed_capture_source::most_lines)
                  : lines.size();
        while (const std::optional<tarn::datagram> d = shown.next()) {
            check(d->line_index < source.line_count() && source.line_count() <= most);
            check(d->bytes.size() == d->wire_size && d->wire_size <= size);
            check(every || source.destination(d->line_index) == lines[d->line_index]);
        }
        check(source.beyond_limit() <= source.elsewhere());
    } catch (const std::runtime_error&) {
        // Not a capture, or no datagram to any line: md_dump ends with status 1.
    }
    return 0;
}
