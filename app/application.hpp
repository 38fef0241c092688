#pragma once

#include <boost/program_options/variables_map.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/feed_options.hpp"
#include "capture/capture_reader.hpp"
#include "capture/capture_recorder.hpp"
#include "capture/capture_source.hpp"
#include "metrics/metrics_endpoint.hpp"
#include "net/multicast_receiver.hpp"
#include "processing/feed_run.hpp"
#include "processing/md_processors.hpp"

namespace tarn {

// What the command line asks for, read and checked without ending the process,
// creating a file or opening a socket.
struct command_line {
    enum class action { run, help, version };

    action what = action::run;
    std::string text;  // the help text or the version line, without the final newline
    std::string local_ip;
    std::string multicast_group;
    std::uint16_t port = 0;
    std::string log_file;                           // empty: standard output
    std::vector<md::MsgType> only_types;            // empty: every type
    std::vector<std::uint32_t> only_instruments;    // empty: every message
    bool json = false;                              // records as JSON objects
    reception_settings reception;                   // receive buffer, statistics
    boost::program_options::variables_map options;  // for the processor choice and `every`
    // Offline: the capture read instead of a group, and the destination chosen in it.
    std::optional<std::string> read_capture;
    capture::destination_selection selection;
    std::optional<std::string> write_capture;              // where received datagrams are recorded
    std::optional<metrics::listen_address> serve_metrics;  // where the metrics are served
    std::optional<feed_request> feed;  // several channels or lines instead of one
};

// Parses the arguments and checks them in a fixed order, which decides the
// message a user sees when several things are wrong: library errors, help,
// version, the local address (an interface name is resolved here), the group,
// the port, or instead, with a capture to read, the selection in it; then the
// type and instrument lists, the capture to write and the reception options. Throws what `init`
// reports. The `every` check needs the processor and comes later, after the
// log set-up.
command_line read_command_line(int argc, const char* const* argv);

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

// The dumper: `init` reads the command line, opens a capture to read, sets up
// the log, chooses the processor and opens a capture to write; `run` receives
// until the stream ends or a stop signal comes, from the group or the
// capture, and writes the summary.
class application : public basic_application {
  public:
    application(int argc, char** argv);

    // Ends the process with status 0 after printing the help or the version.
    void init() override;
    // The exit status: 1 after a damaged capture, else 0.
    int run() override;

  private:
    figures_publisher* publisher() const;

    int argc_;
    char** argv_;
    std::string local_ip_;
    std::string multicast_group_;
    std::uint16_t port_ = 0;
    reception_settings reception_;
    std::unique_ptr<md::processor> processor_;
    std::unique_ptr<capture::capture_reader> capture_;  // offline only
    capture::destination_selection selection_;
    std::unique_ptr<capture::capture_recorder> recorder_;
    std::unique_ptr<metrics::metrics_endpoint> metrics_;
    std::optional<feed_request> feed_;
    std::unique_ptr<feed_run> feed_run_;  // with a feed, instead of the processor
    bool log_on_standard_output_ = false;
};

}  // namespace tarn
