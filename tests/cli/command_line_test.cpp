#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/version.hpp"
#include "net/interface_address.hpp"
#include "process.hpp"

namespace tarn {
namespace {

testing::process_result md_dump(const std::vector<std::string>& args) {
    std::vector<std::string> argv{MD_DUMP_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing::run_process(argv);
}

// A local address, a group and a port, then `more`.
std::vector<std::string> joining(const std::vector<std::string>& more) {
    std::vector<std::string> args{"--local-ip", "10.0.0.1", "--multicast-group",
                                  "239.1.1.1",  "--port",   "5000"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Help and version on standard output with status 0; every error on
// standard error with status 1: the library's errors before any check, then
// the required options in their order, then the interface, then the checks
// after the logger set-up, where "every" fails last, so reaching it proves
// that everything before it was accepted (the local address wins over the
// interface, port 0 is accepted).
TEST(CommandLine, OutputAndStatusOfEachCall) {
    const std::string help = testing::read_file(TEST_DATA_DIR "/help.txt");
    ASSERT_FALSE(help.empty());
    const std::string version = "2.1.1 " + std::string(revision_id) + "\n";
    const std::string local = "Please provide either --local-ip or --interface option\n";
    const std::string every = "Invalid every: 9\n";
    const struct {
        int status;
        std::string text;  // all it writes: on standard output with 0, on standard error with 1
        std::vector<std::string> args;
    } calls[] = {
        {0, help, {}},
        {0, help, {"--help"}},
        {0, help, {"--help", "--port", "5000", "--multicast-group", "239.1.1.1"}},
        {0, help, {"--help", "--version"}},
        {0, help, {"--he"}},
        {0, version, {"--version", "--port", "1"}},
        {1, "unrecognised option '--bogus'\n", {"--bogus"}},
        {1, "option '--h' is ambiguous and matches '--hb', and '--help'\n", {"--h"}},
        {1, "the argument ('65536') for option '--port' is invalid\n", {"--port", "65536"}},
        {1, "the argument ('-1') for option '--port' is invalid\n", {"--port=-1"}},
        {1, "the required argument for option '--port' is missing\n", {"--port"}},
        {1, local, {"--port", "5000", "--multicast-group", "239.1.1.1"}},
        {1, local, {"--local-ip", "", "--interface", "lo"}},
        {1, local, {"--interface", ""}},
        {1, "Required option --multicast-group is missing\n", {"--local-ip", "10.0.0.1"}},
        {1,
         "Required option --port is missing\n",
         {"--local-ip", "10.0.0.1", "--multicast-group", "239.1.1.1"}},
        {1,
         "Interface nosuch0 does not exist on this host\n",
         {"--interface", "nosuch0", "--port", "1"}},
        // Exact names only: a prefix of an existing name is no match.
        {1, "Interface l does not exist on this host\n", {"--interface", "l"}},
        {1,
         every,
         {"--local-ip", "10.0.0.1", "--interface", "nosuch0", "--multicast-group", "239.1.1.1",
          "--port", "0", "--every", "9"}},
        // Options added since leave every short prefix of the first table
        // meaning what it meant: this run reaches the `every` check.
        {1, every, {"--c", "--f", "--i", "lo", "--m", "239.1.1.1", "--p", "1", "--e", "9"}},
        {1, local, {"--loc", "", "--m", "239.1.1.1"}},
        {0, version, {"--v"}},
        // The lists are checked before the log is touched; prefixes of the new options work.
        {1, "Invalid instrument id 'x' in --only-instrument: a number from 0 to 4294967295\n",
         joining({"--only-instrument", "7,x"})},
        {1, every, joining({"--only-t", "OrderAdd, 38", "--only-i", "7", "--j", "--every", "9"})},
        {1,
         "option '--only' is ambiguous and matches '--only-instrument', and '--only-type'\n",
         {"--only", "1"}},
        // A whole feed: a bad declaration, or options that do not go together,
        // end the run before the log, naming what is wrong.
        {1,
         "--add-channel A=239.1.1.2:5001: channel A is already declared by --add-channel "
         "A=239.1.1.1:5000\n",
         {"--local-ip", "10.0.0.1", "--add-channel", "A=239.1.1.1:5000", "--add-channel",
          "A=239.1.1.2:5001"}},
        {1,
         "--add-channel A=239.1.1.1:5000: 239.1.1.1:5000 is already a line of channel "
         "239.1.1.1:5000\n",
         {"--local-ip", "10.0.0.1", "--m", "239.1.1.1", "--p", "5000", "--add-channel",
          "A=239.1.1.1:5000"}},
        {1,
         "--add-channel B=239.1.1.1: the port of 239.1.1.1 is missing\n",
         {"--local-ip", "10.0.0.1", "--add-channel", "B=239.1.1.1"}},
        {1,
         "with --add-channel, --multicast-group and --port make one more channel together\n",
         {"--local-ip", "10.0.0.1", "--add-channel", "A=239.1.1.1:5000", "--p", "5"}},
        {1,
         "--all-destinations takes every destination of a capture: it goes with "
         "--read-capture\n",
         {"--local-ip", "10.0.0.1", "--all-destinations"}},
        {1, "--arbitration-window arbitrates the lines of --add-channel\n",
         joining({"--arbitration-window", "0.1"})},
        // A stray word is refused, as the library refuses anything it cannot place.
        {1, "too many positional options have been specified on the command line\n",
         joining({"eth0"})},
    };
    for (const auto& call : calls) {
        const auto result = md_dump(call.args);
        EXPECT_EQ(result.status, call.status) << call.text;
        EXPECT_EQ(call.status == 0 ? result.out : result.err, call.text);
        EXPECT_EQ(call.status == 0 ? result.err : result.out, "");
    }
    const auto refused = md_dump(joining({"--only-type", "Trade,Bogus"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(
        refused.err.starts_with("Unknown message type 'Bogus' in --only-type. The types "
                                "are Heartbeat, OrderAdd, OrderModify,"))
        << refused.err;
    EXPECT_EQ(revision_id.find_first_not_of("0123456789abcdef"), std::string_view::npos);
    EXPECT_EQ(find_interface_address("lo"), "127.0.0.1");
}

// The log file is created only once the checks before it passed, and empty.
TEST(CommandLine, LogFileOnlyOnceTheChecksBeforeItPassed) {
    const std::string log = testing::temporary_file("cli.log");
    std::filesystem::remove(log);
    EXPECT_EQ(
        md_dump({"--log", log, "--local-ip", "10.0.0.1", "--multicast-group", "239.1.1.1"}).err,
        "Required option --port is missing\n");
    EXPECT_FALSE(std::filesystem::exists(log));
    const auto result = md_dump(joining({"--log", log, "--every", "1"}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Invalid every: 1\n");
    EXPECT_EQ(std::filesystem::file_size(log), 0U);
    std::filesystem::remove(log);
}

}  // namespace
}  // namespace tarn
