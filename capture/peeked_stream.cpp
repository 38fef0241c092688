#include "capture/peeked_stream.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tarn::capture {

namespace {

// The bytes already read, handed out first, then the file itself.
struct peeked {
    std::FILE* file;
    std::vector<std::uint8_t> start;
    std::uint64_t& bytes_read;
    std::size_t given = 0;
};

ssize_t counted(peeked& from, ssize_t count) {
    if (count > 0) {
        from.bytes_read += static_cast<std::uint64_t>(count);
    }
    return count;
}

ssize_t read_peeked(void* cookie, char* to, std::size_t size) {
    auto& from = *static_cast<peeked*>(cookie);
    if (from.given < from.start.size()) {
        const std::size_t count = std::min(size, from.start.size() - from.given);
        std::memcpy(to, from.start.data() + from.given, count);
        from.given += count;
        return counted(from, static_cast<ssize_t>(count));
    }
    // A file descriptor gives what it has, so a pipe is read as it is written;
    // a stream in memory has no descriptor.
    const int descriptor = fileno(from.file);
    if (descriptor >= 0) {
        return counted(from, ::read(descriptor, to, size));
    }
    const std::size_t count = std::fread(to, 1, size, from.file);
    return count == 0 && std::ferror(from.file) != 0 ? -1
                                                     : counted(from, static_cast<ssize_t>(count));
}

int close_peeked(void* cookie) {
    const std::unique_ptr<peeked> from(static_cast<peeked*>(cookie));
    return std::fclose(from->file);
}

}  // namespace

std::FILE* peek_start(std::FILE* file, std::span<std::uint8_t> start, std::uint64_t& bytes_read) {
    if (fileno(file) >= 0) {
        // Unbuffered, so that reading the start takes nothing more from the descriptor.
        static_cast<void>(std::setvbuf(file, nullptr, _IONBF, 0));
    }
    const std::size_t started = std::fread(start.data(), 1, start.size(), file);
    const std::span<std::uint8_t> read = start.first(started);
    auto cookie = std::make_unique<peeked>(peeked{file, {read.begin(), read.end()}, bytes_read});
    const cookie_io_functions_t functions{read_peeked, nullptr, nullptr, close_peeked};
    std::FILE* stream = fopencookie(cookie.get(), "rb", functions);
    if (stream != nullptr) {
        static_cast<void>(cookie.release());  // the stream's to close
    }
    return stream;
}

}  // namespace tarn::capture
