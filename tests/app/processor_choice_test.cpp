#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "app/options.hpp"
#include "app/processor_choice.hpp"

namespace tarn {
namespace {

boost::program_options::variables_map parsed(std::vector<const char*> args) {
    args.insert(args.begin(), "md_dump");
    return parse_command_line(static_cast<int>(args.size()), args.data(),
                              make_option_description());
}

TEST(ProcessorChoice, SelectionMatrix) {
    const auto chosen = [](const std::vector<const char*>& args) -> const std::type_info& {
        const auto processor = choose_processor(parsed(args));
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

// 0 and no option leave the interval at 10'000; 1 to 9 are refused; signs,
// other bases and values beyond 64 bits are no numbers.
TEST(ProcessorChoice, Every) {
    const auto every_after = [](std::vector<const char*> args) {
        md::display_processor processor;
        apply_every(parsed(std::move(args)), processor);
        return processor.every;
    };
    EXPECT_EQ(every_after({"--every", "0"}), 10'000U);
    EXPECT_EQ(every_after({}), 10'000U);
    EXPECT_EQ(every_after({"--every", "10"}), 10U);
    EXPECT_EQ(every_after({"--every", "18446744073709551615"}), 18446744073709551615ULL);
    try {
        every_after({"--every", "9"});
        ADD_FAILURE() << "every 9 accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid every: 9");
    }
    for (const char* value : {"-1", "+5", "0x10", "1e3", " 7", "", "18446744073709551616"}) {
        EXPECT_THROW(parsed({"--every", value}), boost::program_options::error) << value;
    }
    EXPECT_THROW(parsed({"--port=-1"}), boost::program_options::error);
}

}  // namespace
}  // namespace tarn
