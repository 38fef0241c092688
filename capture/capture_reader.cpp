#include "capture/capture_reader.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

#include "capture/peeked_stream.hpp"
#include "processing/stop_request.hpp"

namespace tarn::capture {

namespace {

// libpcap reads through the C library's buffer of a few kilobytes; this one
// takes a capture in far fewer system calls.
constexpr std::size_t read_buffer_size = std::size_t{1} << 20U;

// The magic numbers that start a file, as its first four bytes in either
// byte order: pcap with nanosecond stamps, and pcapng; every other pcap
// stamps in microseconds.
bool stamps_nanoseconds(const std::array<std::uint8_t, 4>& magic) {
    constexpr std::array<std::array<std::uint8_t, 4>, 3> nanosecond_magic{
        {{0xA1, 0xB2, 0x3C, 0x4D}, {0x4D, 0x3C, 0xB2, 0xA1}, {0x0A, 0x0D, 0x0D, 0x0A}}};
    return std::find(nanosecond_magic.begin(), nanosecond_magic.end(), magic) !=
           nanosecond_magic.end();
}

}  // namespace

capture_reader::capture_reader(const std::string& path)
    : name_(path == "-" ? "standard input" : path), buffer_(read_buffer_size) {
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): libpcap owns it from here
    std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw std::runtime_error("cannot read capture " + name_ + ": " +
                                 std::generic_category().message(errno));
    }
    open(file);
}

capture_reader::capture_reader(std::FILE* file, std::string name) : name_(std::move(name)) {
    open(file);
}

// A regular file's magic number, read through its buffer, which then goes
// back to the file's start; false when the file cannot go back.
bool peek_regular(std::FILE* file, std::array<std::uint8_t, 4>& magic) {
    const std::size_t read = std::fread(magic.data(), 1, magic.size(), file);
    static_cast<void>(read);  // a shorter file is not a capture: libpcap says so
    return std::fseek(file, 0, SEEK_SET) == 0;
}

void capture_reader::open(std::FILE* file) {
    struct stat status {};
    const int descriptor = fileno(file);
    const bool regular =
        descriptor >= 0 && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    if (regular) {
        size_ = static_cast<std::uint64_t>(status.st_size);
    }
    std::array<std::uint8_t, 4> magic{};
    std::FILE* stream = nullptr;
    if (regular && !buffer_.empty()) {
        // libpcap reads the file itself, through the big buffer: a stream
        // that counts what it reads would copy every byte once more, a few
        // at a time. The file's position is its progress.
        static_cast<void>(std::setvbuf(file, buffer_.data(), _IOFBF, buffer_.size()));
        if (peek_regular(file, magic)) {
            stream = regular_ = file;
        }
    }
    if (stream == nullptr) {
        stream = peek_start(file, magic, bytes_read_);
        if (stream == nullptr) {
            const int reason = errno;
            static_cast<void>(std::fclose(file));
            throw std::runtime_error("cannot read capture " + name_ + ": " +
                                     std::generic_category().message(reason));
        }
        if (!buffer_.empty()) {
            static_cast<void>(std::setvbuf(stream, buffer_.data(), _IOFBF, buffer_.size()));
        }
    }
    format_.stamps = stamps_nanoseconds(magic) ? stamp_precision::nano : stamp_precision::micro;
    std::array<char, PCAP_ERRBUF_SIZE> error{};
    handle_.reset(
        pcap_fopen_offline_with_tstamp_precision(stream, PCAP_TSTAMP_PRECISION_NANO, error.data()));
    if (!handle_) {
        regular_ = nullptr;
        static_cast<void>(std::fclose(stream));
    }
    check_opened(error.data());
}

std::uint64_t capture_reader::position() const {
    if (regular_ != nullptr) {
        const off_t at = ftello(regular_);
        return at > 0 ? static_cast<std::uint64_t>(at) : 0;
    }
    return bytes_read_;
}

void capture_reader::check_opened(const char* error) {
    if (!handle_) {
        throw std::runtime_error("cannot read capture " + name_ + ": " + error);
    }
    const int link_type = pcap_datalink(handle_.get());
    if (!is_supported_link_type(link_type)) {
        const char* link_name = pcap_datalink_val_to_name(link_type);
        throw std::runtime_error("capture " + name_ + " has link type " +
                                 (link_name != nullptr ? link_name : std::to_string(link_type)) +
                                 ", which is not read here");
    }
    format_.link_type = link_type;
    format_.snapshot_length = pcap_snapshot(handle_.get());
}

datagram datagram_of(const captured_frame& frame) {
    const decoded_frame& content = frame.content;
    return datagram{
        .bytes = std::span<const char>(reinterpret_cast<const char*>(content.payload.data()),
                                       content.payload.size()),
        .wire_size = content.payload.size(),
        .time_ns = frame.time_ns,
        .sender = content.source,
        .sender_port = content.source_port,
    };
}

std::optional<captured_frame> capture_reader::next_or_damage(std::string& damage) {
    try {
        return next();
    } catch (const capture_damaged& e) {
        if (!stop_requested()) {
            damage = e.what();
        }
        return std::nullopt;
    }
}

std::optional<captured_frame> capture_reader::next() {
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    const int status = pcap_next_ex(handle_.get(), &header, &data);
    if (status == PCAP_ERROR_BREAK) {
        return std::nullopt;  // the end of the file
    }
    if (status != 1) {
        const std::string where =
            frames_ == 0 ? "at its first frame" : "after frame " + std::to_string(frames_);
        throw capture_damaged("capture " + name_ + " is damaged " + where + ": " +
                              pcap_geterr(handle_.get()));
    }
    ++frames_;
    // Opened with nanosecond precision, so tv_usec holds nanoseconds.
    const auto time_ns = static_cast<std::uint64_t>(header->ts.tv_sec) * 1'000'000'000U +
                         static_cast<std::uint64_t>(header->ts.tv_usec);
    last_ = captured_frame{
        time_ns,
        decode_frame(format_.link_type, std::span<const std::uint8_t>(data, header->caplen)),
        header, data};
    return last_;
}

}  // namespace tarn::capture
