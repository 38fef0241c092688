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

const std::type_info& chosen(const std::vector<const char*>& args) {
    const auto processor = choose_processor(parsed(args));
    return typeid(*processor);
}

TEST(ProcessorChoice, SelectionMatrix) {
    EXPECT_EQ(chosen({}), typeid(md::display_processor));
    EXPECT_EQ(chosen({"--hb"}), typeid(md::display_processor_with_hb));
    EXPECT_EQ(chosen({"--full-dump"}), typeid(md::full_display_processor));
    EXPECT_EQ(chosen({"--full-dump", "--hb"}), typeid(md::full_display_processor_with_hb));
    EXPECT_EQ(chosen({"--check-seq"}), typeid(md::seq_check_processor));
    EXPECT_EQ(chosen({"--check-seq", "--full-dump", "--hb"}), typeid(md::seq_check_processor));
    EXPECT_EQ(chosen({"--check"}), typeid(md::seq_check_processor));
}

TEST(ProcessorChoice, Every) {
    const auto every_after = [](const char* value) {
        md::seq_check_processor processor;
        apply_every(parsed({"--every", value}), processor);
        return processor.every;
    };
    EXPECT_EQ(every_after("0"), 10'000U);
    EXPECT_EQ(every_after("10"), 10U);
    EXPECT_EQ(every_after("18446744073709551615"), 18446744073709551615ULL);
    try {
        every_after("9");
        ADD_FAILURE() << "every 9 accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid every: 9");
    }
    md::display_processor display;
    apply_every(parsed({"--every", "500"}), display);
    EXPECT_EQ(display.every, 500U);
    md::display_processor untouched;
    apply_every(parsed({}), untouched);
    EXPECT_EQ(untouched.every, 10'000U);
}

TEST(ProcessorChoice, NegativeAndMalformedNumbersAreRefused) {
    for (const char* value : {"-1", "+5", "0x10", "1e3", " 7", "", "18446744073709551616"}) {
        EXPECT_THROW(parsed({"--every", value}), boost::program_options::error) << value;
    }
    EXPECT_THROW(parsed({"--port=-1"}), boost::program_options::error);
}

}  // namespace
}  // namespace tarn
