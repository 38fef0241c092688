// The options as read in process: the processor they choose, `every`, and
// the reception settings. (What the program writes for each call is tested
// on the built binary.)

#include <gtest/gtest.h>

#include <boost/program_options/errors.hpp>

#include <chrono>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "app/application.hpp"
#include "app/processor_choice.hpp"

namespace tarn {
namespace {

// The command line of a run joining a group, with `extra`.
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

// Sequence checking wins over the displays. An `every` of 0 or none leaves
// 10'000 (1 to 9 are refused: tested on the binary). No receive buffer size
// is the kernel's, no interval none.
TEST(Options, ProcessorEveryAndReception) {
    using namespace std::chrono_literals;
    using namespace md;
    const std::type_info &display = typeid(display_processor),
                         &full = typeid(full_display_processor),
                         &check = typeid(seq_check_processor);
    const struct {
        const std::type_info& processor;
        std::uint64_t every, bytes;
        std::chrono::nanoseconds interval;
        std::vector<std::string> args;
    } cases[] = {
        {display, 10'000, 0, 0s, {}},
        {typeid(display_processor_with_hb), 10'000, 1, 0s, {"--hb", "--receive-buffer", "1"}},
        {full, 10'000, 4096, 250ms, {"--full-dump", "--receive-buffer", "4k", "--stats-i", "0.25"}},
        {typeid(full_display_processor_with_hb), 10'000, 0, 0s, {"--full-dump", "--hb"}},
        {check, 10'000, 0, 10s, {"--check-seq", "--full-dump", "--hb", "--stats-interval", "10"}},
        {check, 10'000, 67'108'864, 0s, {"--check", "--every", "0", "--receive-buffer", "64M"}},
        {display, 10, 1'073'741'824, 0s, {"--every", "10", "--receive-buffer", "1G"}},
        {display, 18446744073709551615ULL, 0, 0s, {"--every", "18446744073709551615"}},
        {display, 10'000, 2'147'483'647, 1ns, {"--rec", "2147483647", "--st", "0.000000001"}},
        {display, 10'000, 0, 86'400s, {"--stats-interval", "86400"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const command_line read_in = read(c.args);
        const auto processor = choose_processor(read_in.options);
        apply_every(read_in.options, *processor);
        EXPECT_EQ(typeid(*processor), c.processor);
        EXPECT_EQ(processor->every(), c.every);
        EXPECT_EQ(read_in.reception.receive_buffer, c.bytes);
        EXPECT_EQ(read_in.reception.stats_interval, c.interval);
    }
}

// Signs, other bases and values out of range are no numbers: the library's
// own error.
TEST(Options, BadValuesAreTheLibrarysErrors) {
    for (const std::string arg :
         {"--receive-buffer=0", "--receive-buffer=2G", "--receive-buffer=12X",
          "--receive-buffer=-1", "--receive-buffer=M", "--stats-interval=0", "--stats-interval=1.",
          "--stats-interval=.5", "--stats-interval=1e3", "--stats-interval=-1",
          "--stats-interval=86400.5", "--stats-interval=0.0000000001", "--every=-1", "--every=+5",
          "--every=0x10", "--every=1e3", "--every= 7", "--every=18446744073709551616"}) {
        const std::size_t equals = arg.find('=');
        try {
            read({arg});
            ADD_FAILURE() << arg << " accepted";
        } catch (const boost::program_options::error& e) {
            EXPECT_EQ(e.what(), "the argument ('" + arg.substr(equals + 1) + "') for option '" +
                                    arg.substr(0, equals) + "' is invalid");
        }
    }
    EXPECT_THROW(read({"--every", ""}), boost::program_options::error);
}

}  // namespace
}  // namespace tarn
