#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tarn::testing {

struct process_result {
    int status = -1;  // exit status, or -1 when killed by a signal
    int signal = 0;   // the signal that ended it, 0 after an exit
    std::string out;
    std::string err;
};

// A program started in the background with arguments (argv[0] included),
// its output going to files.
class background_process {
  public:
    explicit background_process(const std::vector<std::string>& argv);
    ~background_process();
    background_process(const background_process&) = delete;
    background_process& operator=(const background_process&) = delete;

    // Waits at most `limit` for the exit, killing the program after that;
    // its exit status and everything it wrote.
    process_result wait(std::chrono::milliseconds limit);

    // Sends `signal` to the program while it runs.
    void signal(int signal) const;
    // Waits at most `limit` until the program is stopped (SIGSTOP); false after that.
    bool wait_until_stopped(std::chrono::milliseconds limit) const;

  private:
    int pid_ = -1;
    std::string out_path_;
    std::string err_path_;
};

// Runs a program in the foreground the same way.
process_result run_process(const std::vector<std::string>& argv,
                           std::chrono::milliseconds limit = std::chrono::seconds(20));

std::string read_file(const std::string& path);

// A path in the temporary folder for a file of this process named `name`.
std::string temporary_file(const std::string& name);

}  // namespace tarn::testing
