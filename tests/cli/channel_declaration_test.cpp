// --add-channel declarations: one on the command line, a file of them, and
// the set they make together.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/channel_declaration.hpp"

namespace tarn {
namespace {

// What reading the --add-channel values, one a line, gives: the channels as
// "NAME=a.b.c.d:port,...", or the error.
std::string outcome(const std::string& lines) {
    std::vector<std::string> values;
    std::istringstream in(lines);
    for (std::string value; std::getline(in, value);) {
        values.push_back(value);
    }
    try {
        std::string text;
        for (const channel_declaration& channel : read_channels(values)) {
            text += (text.empty() ? "" : " ") + channel.name + "=";
            for (const udp_destination& line : channel.lines) {
                text += (line == channel.lines.front() ? "" : ",") +
                        std::to_string(line.address[0]) + "." + std::to_string(line.address[1]) +
                        "." + std::to_string(line.address[2]) + "." +
                        std::to_string(line.address[3]) + ":" + std::to_string(line.port);
            }
        }
        return text;
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

TEST(ChannelDeclaration, OnTheCommandLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"X.1_a-b=239.1.1.1:5000\nY=224.0.0.1:1,239.255.255.255:65535",
         "X.1_a-b=239.1.1.1:5000 Y=224.0.0.1:1,239.255.255.255:65535"},
        {"239.1.1.1:5000",
         "--add-channel 239.1.1.1:5000: expected NAME=GROUP:PORT or NAME=GROUP:PORT,GROUP:PORT"},
        {"=239.1.1.1:5000", "--add-channel =239.1.1.1:5000: the channel name is empty"},
        {"a b=239.1.1.1:5000",
         "--add-channel a b=239.1.1.1:5000: a channel name is 1 to 64 letters, digits, '_', '.' "
         "or '-', and nothing else"},
        {"X=", "--add-channel X=: a destination is empty: write GROUP:PORT"},
        {"X=239.1.1.1", "--add-channel X=239.1.1.1: the port of 239.1.1.1 is missing"},
        {"X=239.1.1:5000", "--add-channel X=239.1.1:5000: 239.1.1 is not an IPv4 address"},
        {"X=240.0.0.1:5000",
         "--add-channel X=240.0.0.1:5000: 240.0.0.1 is not a multicast group (224.0.0.0 to "
         "239.255.255.255)"},
        {"X=223.255.255.255:5000",
         "--add-channel X=223.255.255.255:5000: 223.255.255.255 is not a multicast group "
         "(224.0.0.0 to 239.255.255.255)"},
        {"X=239.1.1.1:65536",
         "--add-channel X=239.1.1.1:65536: the port 65536 is not a number from 1 to 65535"},
        {"X=239.1.1.1:0",
         "--add-channel X=239.1.1.1:0: the port 0 is not a number from 1 to 65535"},
        {"X=239.1.1.1:5000,239.1.1.2:5000,239.1.1.3:5000",
         "--add-channel X=239.1.1.1:5000,239.1.1.2:5000,239.1.1.3:5000: more than two "
         "destinations: a channel has line A and B only"},
        {"X=239.1.1.1:5000,239.1.1.1:5000",
         "--add-channel X=239.1.1.1:5000,239.1.1.1:5000: lines A and B are both 239.1.1.1:5000"},
        {"X=239.1.1.1:5000\nX=239.1.1.2:5000",
         "--add-channel X=239.1.1.2:5000: channel X is already declared by --add-channel "
         "X=239.1.1.1:5000"},
        {"X=239.1.1.1:5000,239.1.1.2:5000\nY=239.1.1.3:5000,239.1.1.2:5000",
         "--add-channel Y=239.1.1.3:5000,239.1.1.2:5000: 239.1.1.2:5000 is already a line of "
         "channel X"},
        {"X=239.1.1.1:5000\nY=239.1.1.1:5001", "X=239.1.1.1:5000 Y=239.1.1.1:5001"},
    };
    for (const auto& [values, expected] : cases) {
        EXPECT_EQ(outcome(values), expected) << values;
    }
}

TEST(ChannelDeclaration, FromFiles) {
    const std::filesystem::path directory = ::testing::TempDir();
    const auto file = [&](const std::string& name, const std::string& text) {
        std::ofstream((directory / name).string()) << text;
        return "@" + (directory / name).string();
    };
    const std::string feed =
        file("feed.txt",
             "# the feed\n\n  A=239.1.1.1:5000,239.2.1.1:5000  # A and B\r\nB=239.1.1.2:5000\n");
    const std::string bad = file("bad.txt", "A=239.1.1.3:5000\n\n\tC=239.1.1.4 # no port\n");
    const std::string empty = file("empty.txt", "# nothing\n   \n");
    const std::string missing = (directory / "missing.txt").string();
    EXPECT_EQ(outcome(feed + "\nC=239.1.1.3:5000"),
              "A=239.1.1.1:5000,239.2.1.1:5000 B=239.1.1.2:5000 C=239.1.1.3:5000");
    EXPECT_EQ(outcome(bad),
              bad.substr(1) + " line 3 (C=239.1.1.4): the port of 239.1.1.4 is missing");
    EXPECT_EQ(outcome("B=239.1.1.9:5000\n" + feed),
              feed.substr(1) +
                  " line 4 (B=239.1.1.2:5000): channel B is already declared by "
                  "--add-channel B=239.1.1.9:5000");
    EXPECT_EQ(outcome(empty), "--add-channel " + empty + ": the file declares no channel");
    EXPECT_EQ(outcome("@" + missing),
              "--add-channel @" + missing + ": cannot read the file: No such file or directory");
}

}  // namespace
}  // namespace tarn
