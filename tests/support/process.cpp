#include "process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tarn::testing {

std::string temporary_file(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("md_dump_test_" + std::to_string(getpid()) + "_" + name);
}

std::string read_file(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

namespace {

// A file of its own for each output of each program started.
std::string output_file() {
    static int outputs = 0;
    return temporary_file("output_" + std::to_string(++outputs));
}

// Polls waitpid with `options` until it reports on `pid`; false after `limit`.
bool reported(int pid, int options, int& status, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (waitpid(pid, &status, options | WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

background_process::background_process(const std::vector<std::string>& argv)
    : out_path_(output_file()), err_path_(output_file()) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    constexpr int anew = O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_addopen(&actions, 1, out_path_.c_str(), anew, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path_.c_str(), anew, 0600);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const int failed = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + argv.front());
    }
}

background_process::~background_process() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::remove(out_path_.c_str());
    std::remove(err_path_.c_str());
}

process_result background_process::wait(std::chrono::milliseconds limit) {
    int status = 0;
    if (!reported(pid_, 0, status, limit)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            WIFSIGNALED(status) ? WTERMSIG(status) : 0, read_file(out_path_), read_file(err_path_)};
}

void background_process::signal(int signal) const {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

bool background_process::wait_until_stopped(std::chrono::milliseconds limit) const {
    int status = 0;
    return reported(pid_, WUNTRACED, status, limit) && WIFSTOPPED(status);
}

process_result run_process(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    return background_process(argv).wait(limit);
}

}  // namespace tarn::testing
