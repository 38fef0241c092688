#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "log_lines.hpp"
#include "messages.hpp"
#include "multicast.hpp"
#include "process.hpp"

namespace tarn::testing {

inline constexpr const char* test_group = "239.255.1.1";
inline constexpr std::uint16_t test_port = 31001;

// OrderAdd messages `first` to `last`, end to end.
inline std::string orders(std::uint32_t first, std::uint32_t last) {
    std::string bytes;
    for (std::uint32_t seq = first; seq <= last; ++seq) {
        bytes += bytes_of(order_add(seq));
    }
    return bytes;
}

// Polls until `ready()` holds; false after 10 seconds.
template <class Ready>
bool eventually(Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (; !ready(); std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

// One run of the built md_dump joined to the test group (the test fails
// where it has not joined within 10 seconds), logging to a file. In front of
// it: `prefix`, then the command in MD_DUMP_WRAPPER when there is one, words
// separated by blanks, the first an absolute path (valgrind and its options,
// for one).
class dump_session {
  public:
    explicit dump_session(std::vector<std::string> options, std::vector<std::string> prefix = {}) {
        std::filesystem::remove(log_path_);
        std::vector<std::string> argv = std::move(prefix);
        const char* wrapper = std::getenv("MD_DUMP_WRAPPER");
        std::istringstream words(wrapper != nullptr ? wrapper : "");
        for (std::string word; words >> word;) {
            argv.push_back(word);
        }
        argv.insert(argv.end(),
                    {MD_DUMP_BINARY, "--local-ip", "127.0.0.1", "--multicast-group", test_group,
                     "--port", std::to_string(test_port), "--log", log_path_});
        argv.insert(argv.end(), options.begin(), options.end());
        process_ = std::make_unique<background_process>(argv);
        EXPECT_TRUE(wait_for_membership(test_group, std::chrono::seconds(10))) << "not joined";
    }
    ~dump_session() { std::filesystem::remove(log_path_); }
    dump_session(const dump_session&) = delete;
    dump_session& operator=(const dump_session&) = delete;

    void send(std::string_view datagram) { sender_.send(datagram); }
    background_process& process() { return *process_; }
    const std::string& log_path() const { return log_path_; }

    // The log's lines after their prefixes, as far as written.
    std::vector<std::string> log_so_far() const { return log_messages(read_file(log_path_)); }

    // Waits for the end of the run; its status and the log's lines after
    // their prefixes.
    std::pair<process_result, std::vector<std::string>> finish() {
        auto result = process_->wait(std::chrono::seconds(20));
        return {std::move(result), log_so_far()};
    }

    // The log of a run with `options` that sending `datagrams` ends cleanly.
    static std::string clean_run(const std::vector<std::string>& options,
                                 const std::vector<std::string>& datagrams) {
        dump_session session(options);
        for (const std::string& datagram : datagrams) {
            session.send(datagram);
        }
        const process_result result = session.finish().first;
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, "");
        return read_file(session.log_path_);
    }

  private:
    std::string log_path_ = temporary_file("e2e.log");
    std::unique_ptr<background_process> process_;
    multicast_socket sender_{test_group, test_port};
};

}  // namespace tarn::testing
