#include <gtest/gtest.h>

#include <boost/program_options/errors.hpp>

#include <chrono>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "process.hpp"

namespace tarn {
namespace {

command_line read(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"md_dump",   "--local-ip", "10.0.0.1", "--multicast-group",
                                  "239.1.1.1", "--port",     "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    return read_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(ReceptionOptions, SizesAndIntervalsAccepted) {
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    using std::chrono::seconds;
    const struct {
        const char* option;
        const char* value;
        std::uint64_t bytes;
        nanoseconds interval;
    } cases[] = {
        {"", "", 0, {}},  // neither option: the kernel's buffer, no intervals
        {"--receive-buffer", "1", 1, {}},
        {"--receive-buffer", "4k", 4096, {}},
        {"--receive-buffer", "64M", 67'108'864, {}},
        {"--receive-buffer", "1G", 1'073'741'824, {}},
        {"--receive-buffer", "2147483647", 2'147'483'647, {}},
        {"--stats-interval", "0.25", 0, milliseconds(250)},
        {"--stats-interval", "10", 0, seconds(10)},
        {"--stats-interval", "0.000000001", 0, nanoseconds(1)},
        {"--stats-interval", "86400", 0, seconds(86'400)},
    };
    for (const auto& c : cases) {
        const reception_settings settings =
            (*c.option != 0 ? read({c.option, c.value}) : read({})).reception;
        EXPECT_EQ(settings.receive_buffer, c.bytes) << c.option << c.value;
        EXPECT_EQ(settings.stats_interval, c.interval) << c.option << c.value;
    }
}

TEST(ReceptionOptions, BadValuesAreTheLibrarysErrors) {
    const struct {
        const char* option;
        const char* value;
    } cases[] = {
        {"--receive-buffer", "0"},       {"--receive-buffer", "2G"},
        {"--receive-buffer", "12X"},     {"--receive-buffer", "-1"},
        {"--receive-buffer", "M"},       {"--stats-interval", "0"},
        {"--stats-interval", "1."},      {"--stats-interval", ".5"},
        {"--stats-interval", "1e3"},     {"--stats-interval", "-1"},
        {"--stats-interval", "86400.5"}, {"--stats-interval", "0.0000000001"},
    };
    for (const auto& c : cases) {
        try {
            read({c.option, c.value});
            ADD_FAILURE() << c.option << ' ' << c.value << " accepted";
        } catch (const boost::program_options::error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("the argument ('") + c.value +
                                                 "') for option '" + c.option + "' is invalid");
        }
    }
}

// A stray word is refused, as the library refuses anything it cannot place.
TEST(ReceptionOptions, PositionalArgumentRefused) {
    const auto result =
        testing::run_process({MD_DUMP_BINARY, "--local-ip", "10.0.0.1", "--multicast-group",
                              "239.1.1.1", "--port", "5000", "eth0"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "too many positional options have been specified on the command line\n");
}

}  // namespace
}  // namespace tarn
