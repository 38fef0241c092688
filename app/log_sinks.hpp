#pragma once

#include <spdlog/details/file_helper.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include <memory>
#include <string>
#include <vector>

namespace tarn {

// spdlog's own file and stdout sinks format each record into a buffer on the
// stack that holds 250 bytes and takes the heap for anything longer, which is
// nearly every message record. These two write exactly what those write, the
// same way, through one buffer kept for the logger's life: no allocation per
// record once the longest record has been seen.

// Appends to a file, creating it and missing folders; flushes when asked.
// The file's buffer has the C library's size, or `buffer_size` when given.
// After SIGHUP (app/log_reopen.hpp) the next record goes to a file opened
// anew by the same name; where that cannot be opened, the records go on to
// the file open before.
class file_sink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
  public:
    explicit file_sink(const std::string& file_name, std::size_t buffer_size = 0);

  protected:
    void sink_it_(const spdlog::details::log_msg& message) override;
    void flush_() override;

  private:
    void reopen();

    // Declared first: the file writes into its buffer until it is closed. A
    // reopened file gets the spare, as the file before it is closed after
    // the new one opened; then the two change places.
    std::vector<char> buffer_;
    std::vector<char> spare_buffer_;
    std::unique_ptr<spdlog::details::file_helper> file_;
    spdlog::memory_buf_t formatted_;
};

// Writes to standard output and flushes after every record, or, offline,
// only when asked.
class stdout_sink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
  public:
    explicit stdout_sink(bool flush_every_record = true)
        : flush_every_record_(flush_every_record) {}

  protected:
    void sink_it_(const spdlog::details::log_msg& message) override;
    void flush_() override;

  private:
    bool flush_every_record_;
    spdlog::memory_buf_t formatted_;
};

}  // namespace tarn
