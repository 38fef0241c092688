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

TEST(Options, ProcessorChoice) {
    const auto chosen = [](const std::vector<std::string>& args) -> const std::type_info& {
        const auto processor = choose_processor(read(args).options);
        return typeid(*processor);
    };
    EXPECT_EQ(chosen({}), typeid(md::display_processor));
    EXPECT_EQ(chosen({"--hb"}), typeid(md::display_processor_with_hb));
    EXPECT_EQ(chosen({"--full-dump"}), typeid(md::full_display_processor));
    EXPECT_EQ(chosen({"--full-dump", "--hb"}), typeid(md::full_display_processor_with_hb));
    EXPECT_EQ(chosen({"--check-seq"}), typeid(md::seq_check_processor));
    EXPECT_EQ(chosen({"--check-seq", "--full-dump", "--hb"}), typeid(md::seq_check_processor));
    EXPECT_EQ(chosen({"--check"}), typeid(md::seq_check_processor));
}

// 0 and no option leave the interval at 10'000; 1 to 9 are refused (the
// message is tested on the binary).
TEST(Options, Every) {
    const auto every_after = [](const std::vector<std::string>& args) {
        md::display_processor processor;
        apply_every(read(args).options, processor);
        return processor.every;
    };
    EXPECT_EQ(every_after({"--every", "0"}), 10'000U);
    EXPECT_EQ(every_after({}), 10'000U);
    EXPECT_EQ(every_after({"--every", "10"}), 10U);
    EXPECT_EQ(every_after({"--every", "18446744073709551615"}), 18446744073709551615ULL);
    EXPECT_THROW(every_after({"--every", "9"}), std::runtime_error);
}

TEST(Options, ReceptionSizesAndIntervals) {
    using std::chrono::nanoseconds;
    using std::chrono::seconds;
    const struct {
        std::vector<std::string> args;
        std::uint64_t bytes;
        nanoseconds interval;
    } cases[] = {
        {{}, 0, {}},  // neither option: the kernel's buffer, no intervals
        {{"--receive-buffer", "1"}, 1, {}},
        {{"--receive-buffer", "4k"}, 4096, {}},
        {{"--receive-buffer", "64M"}, 67'108'864, {}},
        {{"--receive-buffer", "1G"}, 1'073'741'824, {}},
        {{"--receive-buffer", "2147483647"}, 2'147'483'647, {}},
        {{"--stats-interval", "0.25"}, 0, std::chrono::milliseconds(250)},
        {{"--stats-interval", "10"}, 0, seconds(10)},
        {{"--stats-interval", "0.000000001"}, 0, nanoseconds(1)},
        {{"--stats-interval", "86400"}, 0, seconds(86'400)},
    };
    for (const auto& c : cases) {
        const reception_settings settings = read(c.args).reception;
        EXPECT_EQ(settings.receive_buffer, c.bytes) << c.args.at(1);
        EXPECT_EQ(settings.stats_interval, c.interval) << c.args.at(1);
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
