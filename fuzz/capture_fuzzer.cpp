// Arbitrary capture files through libpcap, the frame decoder, the capture
// source and its destination selection, the receive loop and one of the five
// processors, then the summary, as md_dump --read-capture runs them. Records
// are formatted by the real file sink at the capture times and written to
// /dev/null; the frames of the selected datagrams may also be copied there.
//
// Input: one byte of settings, then the bytes of the file. The settings'
// low three bits pick the processor (modulo 5); bit 3 selects group
// 239.255.0.1, bit 4 port 31000 (md_synth's defaults), bit 5 copies frames, bit 6
// writes JSON records.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

#include "app/logging.hpp"
#include "capture/capture_reader.hpp"
#include "capture/capture_recorder.hpp"
#include "capture/capture_run.hpp"
#include "processing/md_processors.hpp"
#include "processor_pick.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    static const bool logger_ready = [] {
        tarn::set_up_logger("/dev/null", tarn::records::form::text, tarn::log_flushing::at_end);
        return true;
    }();
    static_cast<void>(logger_ready);

    const std::uint8_t settings = data[0];
    const auto processor = tarn::fuzz::pick_processor(settings & 7U);
    processor->records_.use_form((settings & 0x40U) != 0 ? tarn::records::form::json
                                                         : tarn::records::form::text);
    // The smallest interval the command line accepts, so progress records
    // show up within a fuzz input.
    constexpr std::uint64_t smallest_every = 10;
    processor->set_every(smallest_every);
    tarn::capture::destination_selection selection;
    if ((settings & 0x08U) != 0) {
        selection.group = tarn::capture::ipv4_address{239, 255, 0, 1};
    }
    if ((settings & 0x10U) != 0) {
        selection.port = 31000;
    }
    // libpcap reads a stream: the rest of the input becomes one, in place.
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the reader closes it
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data + 1), size - 1, "rb");
    if (file == nullptr) {
        return 0;
    }
    try {
        tarn::capture::capture_reader reader(file, "fuzz input");
        std::optional<tarn::capture::capture_recorder> copier;
        if ((settings & 0x20U) != 0) {
            copier.emplace("/dev/null", reader);
        }
        tarn::capture::read_capture(*processor, reader, selection, copier ? &*copier : nullptr);
    } catch (const std::runtime_error&) {
        // Not a capture, or no single destination: md_dump ends with status 1.
    }
    return 0;
}
