#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

namespace tarn::capture {

// Reads the first bytes of `file` into `start` (those past the end of a
// shorter file stay as they were) and returns a stream that reads the whole
// file again from its first byte, so that a file's magic number can be
// looked at before libpcap reads the file, even from a pipe. The stream owns
// `file` and closes it; nullptr when it cannot be made, and then `file` is
// still the caller's. `bytes_read` counts every byte the stream has read of
// the file, the start included; it must outlive the stream.
std::FILE* peek_start(std::FILE* file, std::span<std::uint8_t> start, std::uint64_t& bytes_read);

}  // namespace tarn::capture
