#include "app/application.hpp"

#include <spdlog/common.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <system_error>

#include "app/feed_reception.hpp"
#include "app/log_reopen.hpp"
#include "app/logging.hpp"
#include "app/options.hpp"
#include "app/processor_choice.hpp"
#include "app/reception_options.hpp"
#include "app/selection.hpp"
#include "app/version.hpp"
#include "capture/capture_run.hpp"
#include "capture/udp_frame.hpp"
#include "cli/local_address.hpp"
#include "net/multicast_receiver.hpp"
#include "processing/logger.hpp"
#include "processing/stop_request.hpp"

namespace tarn {

namespace po = boost::program_options;

namespace {

// A capture has no group to join: the group and the port select a destination
// in it, each may be left out, and the local address has no meaning.
void read_capture_settings(const po::variables_map& options, command_line& result) {
    if (options.count("local-ip") != 0 || options.count("interface") != 0) {
        throw std::runtime_error(
            "--local-ip and --interface choose where to join a group: they do not go with "
            "--read-capture");
    }
    if (options.count("receive-buffer") != 0) {
        throw std::runtime_error(
            "--receive-buffer sizes the socket of a group: it does not go with --read-capture");
    }
    result.read_capture = options["read-capture"].as<std::string>();
    if (options.count("multicast-group") != 0) {
        const auto& group = options["multicast-group"].as<std::string>();
        try {
            result.selection.group = capture::parse_ipv4(group);
        } catch (const std::invalid_argument&) {
            throw std::runtime_error(
                spdlog::fmt_lib::format("--multicast-group {} is not an IPv4 address", group));
        }
    }
    if (options.count("port") != 0) {
        result.selection.port = options["port"].as<strict_unsigned<std::uint16_t>>().value;
    }
}

void write_capture_settings(const po::variables_map& options, command_line& result) {
    if (options.count("write-capture") == 0) {
        return;
    }
    const auto& path = options["write-capture"].as<std::string>();
    if (path == "-" && result.log_file.empty()) {
        throw std::runtime_error(
            "--write-capture - needs --log: standard output cannot carry both the capture and "
            "the log");
    }
    std::error_code unknown;
    if (result.read_capture && std::filesystem::equivalent(*result.read_capture, path, unknown)) {
        throw std::runtime_error("--write-capture would overwrite the capture being read");
    }
    result.write_capture = path;
}

}  // namespace

command_line read_command_line(int argc, const char* const* argv) {
    const po::options_description description = make_option_description();
    command_line result;
    result.options = parse_command_line(argc, argv, description);
    const po::variables_map& options = result.options;
    if (options.empty() || options.count("help") != 0) {
        result.what = command_line::action::help;
        result.text = help_text();
        return result;
    }
    if (options.count("version") != 0) {
        result.what = command_line::action::version;
        result.text = version_line();
        return result;
    }
    result.feed = read_feed_request(options, options.count("read-capture") != 0);
    if (options.count("read-capture") != 0) {
        read_capture_settings(options, result);
    } else {
        result.local_ip = local_address(options);
        if (!result.feed) {
            result.multicast_group = get_string_option(options, "multicast-group", true);
            if (options.count("port") == 0) {
                throw std::runtime_error("Required option --port is missing");
            }
            result.port = options["port"].as<strict_unsigned<std::uint16_t>>().value;
        }
    }
    result.log_file = get_string_option(options, "log", false);
    if (options.count("only-type") != 0) {
        result.only_types = parse_type_list(options["only-type"].as<std::string>());
    }
    if (options.count("only-instrument") != 0) {
        result.only_instruments =
            parse_instrument_list(options["only-instrument"].as<std::string>());
    }
    result.json = options.count("json") != 0;
    write_capture_settings(options, result);
    result.reception = read_reception_settings(options);
    result.serve_metrics = read_metrics_address(options);
    return result;
}

application::application(int argc, char** argv) : argc_(argc), argv_(argv) {}

void application::init() {
    command_line settings = read_command_line(argc_, argv_);
    if (settings.what != command_line::action::run) {
        std::cout << settings.text << std::endl;
        // One thread; help and version end the process.
        std::exit(0);  // NOLINT(concurrency-mt-unsafe)
    }
    local_ip_ = std::move(settings.local_ip);
    multicast_group_ = std::move(settings.multicast_group);
    port_ = settings.port;
    // Opened before the log: a file that is no capture leaves the log untouched.
    if (settings.read_capture) {
        capture_ = std::make_unique<capture::capture_reader>(*settings.read_capture);
        selection_ = settings.selection;
    }
    // Listening before the log: a port in use fails the run before it starts.
    if (settings.serve_metrics) {
        metrics_ = std::make_unique<metrics::metrics_endpoint>(
            *settings.serve_metrics,
            metrics::build_identity{std::string(version_text), std::string(revision_id)});
    }
    const records::form form = settings.json ? records::form::json : records::form::text;
    set_up_logger(settings.log_file, form,
                  capture_ ? log_flushing::at_end : log_flushing::every_record);
    const auto make_processor =
        [options = settings.options,
         filter = md::message_filter(settings.only_types, settings.only_instruments), form] {
            std::unique_ptr<md::processor> made = choose_processor(options, filter);
            made->records_.use_form(form);
            apply_every(options, *made);
            return made;
        };
    processor_ = make_processor();
    reception_ = settings.reception;
    log_on_standard_output_ = settings.log_file.empty();
    feed_ = std::move(settings.feed);
    if (feed_) {
        feed_run_ = make_feed_run(*feed_, make_processor, reception_, form, capture_ != nullptr);
    }
    if (settings.write_capture) {
        recorder_ = capture_ ? std::make_unique<capture::capture_recorder>(*settings.write_capture,
                                                                           *capture_)
                             : std::make_unique<capture::capture_recorder>(*settings.write_capture);
    }
    log_start_record(processor_->records_, argc_, argv_);
}

figures_publisher* application::publisher() const {
    return metrics_ ? &metrics_->publisher() : nullptr;
}

int application::run() {
    install_stop_handlers();
    install_log_reopen_handler();
    int status = 0;
    if (feed_run_ && !capture_) {
        status =
            receive_feed(*feed_run_, *feed_, local_ip_, reception_, recorder_.get(), publisher());
    } else if (capture_) {
        // The log went through one buffer: flushed at the end, and before a
        // failure is reported.
        try {
            status = feed_run_ ? read_feed_capture(*feed_run_, *capture_, *feed_, recorder_.get(),
                                                   log_on_standard_output_, publisher())
                               : capture::read_capture(*processor_, *capture_, selection_,
                                                       recorder_.get(), reception_.stats_interval,
                                                       log_on_standard_output_, publisher());
        } catch (...) {
            get_logger()->flush();
            throw;
        }
        get_logger()->flush();
    } else {
        reception_.recorder = recorder_.get();
        reception_.publisher = publisher();
        const multicast_receiver receiver(processor_.get(), local_ip_, multicast_group_, port_,
                                          reception_);
    }
    if (recorder_) {
        recorder_->finish();
    }
    return status;
}

}  // namespace tarn
