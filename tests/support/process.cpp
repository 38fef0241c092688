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

namespace {

std::string temporary_path() {
    std::string pattern = std::filesystem::temp_directory_path() / "md_dump_test_XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    close(fd);
    return pattern;
}

}  // namespace

std::string temporary_file(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("md_dump_test_" + std::to_string(getpid()) + "_" + name);
}

std::string read_file(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

background_process::background_process(const std::vector<std::string>& argv)
    : out_path_(temporary_path()), err_path_(temporary_path()) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path_.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err_path_.c_str(), O_WRONLY | O_TRUNC, 0);
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
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) != pid_) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    process_result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = read_file(out_path_);
    result.err = read_file(err_path_);
    return result;
}

void background_process::signal(int signal) const {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

bool background_process::wait_until_stopped(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        // The state is the first field after the parenthesised name.
        const std::string stat = read_file("/proc/" + std::to_string(pid_) + "/stat");
        const std::size_t name_end = stat.rfind(')');
        if (name_end != std::string::npos && name_end + 2 < stat.size() &&
            stat[name_end + 2] == 'T') {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

process_result run_process(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    return background_process(argv).wait(limit);
}

}  // namespace tarn::testing
