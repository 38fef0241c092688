#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "processing/md_processors.hpp"

namespace tarn {

class basic_application {
  public:
    basic_application() = default;
    basic_application(const basic_application&) = delete;
    basic_application& operator=(const basic_application&) = delete;
    basic_application(basic_application&&) = delete;
    basic_application& operator=(basic_application&&) = delete;
    virtual ~basic_application() = default;

    virtual void init() = 0;
    virtual int run() = 0;
};

// The dumper: `init` reads the command line, sets up the log and chooses the
// processor; `run` receives until the stream ends and writes the summary.
class application : public basic_application {
  public:
    application(int argc, char** argv);

    // Ends the process with status 0 after printing the help or the version.
    void init() override;
    int run() override;

  private:
    int argc_;
    char** argv_;
    std::string local_ip_;
    std::string multicast_group_;
    std::uint16_t port_ = 0;
    std::unique_ptr<md::processor> processor_;
};

}  // namespace tarn
