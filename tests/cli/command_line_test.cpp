#include <gtest/gtest.h>

#include <unistd.h>

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

const std::string& help_text() {
    static const std::string text = testing::read_file(TEST_DATA_DIR "/help.txt");
    return text;
}

void expect_help(const testing::process_result& result) {
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, help_text());
    EXPECT_EQ(result.err, "");
}

void expect_failure(const testing::process_result& result, const std::string& message) {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, message + "\n");
}

TEST(CommandLine, HelpText) {
    ASSERT_FALSE(help_text().empty());
    expect_help(md_dump({}));
    expect_help(md_dump({"--help"}));
    expect_help(md_dump({"--help", "--port", "5000", "--multicast-group", "239.1.1.1"}));
    expect_help(md_dump({"--help", "--version"}));
    expect_help(md_dump({"--he"}));
}

TEST(CommandLine, Version) {
    const auto result = md_dump({"--version", "--port", "1"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "2.1.1 " + std::string(revision_id) + "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(revision_id.find_first_not_of("0123456789abcdef"), std::string_view::npos);
}

TEST(CommandLine, LibraryErrorsComeBeforeAnyCheck) {
    expect_failure(md_dump({"--bogus"}), "unrecognised option '--bogus'");
    expect_failure(md_dump({"--h"}), "option '--h' is ambiguous and matches '--hb', and '--help'");
    expect_failure(md_dump({"--port", "65536"}),
                   "the argument ('65536') for option '--port' is invalid");
    expect_failure(md_dump({"--port=-1"}), "the argument ('-1') for option '--port' is invalid");
    expect_failure(md_dump({"--port"}), "the required argument for option '--port' is missing");
}

TEST(CommandLine, RequiredOptionsInTheirOrder) {
    const std::string local = "Please provide either --local-ip or --interface option";
    expect_failure(md_dump({"--port", "5000", "--multicast-group", "239.1.1.1"}), local);
    expect_failure(md_dump({"--local-ip", "", "--interface", "lo"}), local);
    expect_failure(md_dump({"--interface", ""}), local);
    expect_failure(md_dump({"--local-ip", "10.0.0.1"}),
                   "Required option --multicast-group is missing");
    expect_failure(md_dump({"--local-ip", "10.0.0.1", "--multicast-group", "239.1.1.1"}),
                   "Required option --port is missing");
}

TEST(CommandLine, InterfaceNames) {
    expect_failure(md_dump({"--interface", "nosuch0", "--port", "1"}),
                   "Interface nosuch0 does not exist on this host");
    // Exact names only: a prefix of an existing name is no match.
    expect_failure(md_dump({"--interface", "l"}), "Interface l does not exist on this host");
    EXPECT_EQ(find_interface_address("lo"), "127.0.0.1");
}

// Options added since keep every short prefix meaning what it meant: the
// run below gets as far as the `every` check only if --c, --f, --i, --m, --p
// and --e each found their option.
TEST(CommandLine, ShortPrefixesKeepTheirMeaning) {
    expect_failure(md_dump({"--c", "--f", "--i", "lo", "--m", "239.1.1.1", "--p", "1", "--e", "9"}),
                   "Invalid every: 9");
    expect_failure(md_dump({"--loc", "", "--m", "239.1.1.1"}),
                   "Please provide either --local-ip or --interface option");
    EXPECT_EQ(md_dump({"--v"}).out, "2.1.1 " + std::string(revision_id) + "\n");
    expect_help(md_dump({"--he"}));
}

// The checks after the logger set-up: "every" fails last, so reaching it
// proves that everything before it was accepted.
TEST(CommandLine, LocalAddressWinsAndPortZeroIsAccepted) {
    expect_failure(md_dump({"--local-ip", "10.0.0.1", "--interface", "nosuch0", "--multicast-group",
                            "239.1.1.1", "--port", "0", "--every", "9"}),
                   "Invalid every: 9");
}

TEST(CommandLine, LogFileOnlyOnceTheChecksBeforeItPassed) {
    const std::filesystem::path log = std::filesystem::temp_directory_path() /
                                      ("md_dump_cli_" + std::to_string(getpid()) + ".log");
    std::filesystem::remove(log);
    expect_failure(md_dump({"--log", log.string(), "--local-ip", "10.0.0.1", "--multicast-group",
                            "239.1.1.1"}),
                   "Required option --port is missing");
    EXPECT_FALSE(std::filesystem::exists(log));
    expect_failure(md_dump({"--log", log.string(), "--local-ip", "10.0.0.1", "--multicast-group",
                            "239.1.1.1", "--port", "5000", "--every", "1"}),
                   "Invalid every: 1");
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_EQ(std::filesystem::file_size(log), 0U);
    std::filesystem::remove(log);
}

}  // namespace
}  // namespace tarn
