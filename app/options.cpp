#include "app/options.hpp"

#include <spdlog/common.h>

#include <sstream>
#include <stdexcept>

#include "app/feed_options.hpp"
#include "app/reception_options.hpp"

namespace tarn {

namespace po = boost::program_options;

po::options_description make_option_table() {
    po::options_description options(
        "TARN Market Data Messages Dumper\n"
        "\n"
        "Options marked (*) are optional\n"
        "Options marked (**) are exclusive\n"
        "\n"
        "Allowed options are");
    options.add_options()                                                        //
        ("help", "print this help")                                              //
        ("version", "print version number")                                      //
        ("local-ip", po::value<std::string>(), "local IP address (**)")          //
        ("interface", po::value<std::string>(), "local IP interface name (**)")  //
        ("multicast-group", po::value<std::string>(), "multicast group")         //
        ("port", po::value<strict_unsigned<std::uint16_t>>(), "multicast port")  //
        ("check-seq", "for sequence numbers ordering check (*)")                 //
        ("full-dump", "print whole messages not only headers (*)")               //
        ("hb", "display also Heartbeats (*)")                                    //
        ("log", po::value<std::string>(), "log file name (*)")                   //
        ("every", po::value<strict_unsigned<std::uint64_t>>(),
         "print info with number of received messages so far every specified count. Default "
         "is 10000, minimum is 10. Usable only with --check-seq option (*)");
    return options;
}

po::options_description make_further_options() {
    po::options_description options("Further options");
    options.add_options()  //
        ("read-capture", po::value<std::string>()->value_name("FILE"),
         "decode this pcap or pcapng file (- for standard input) instead of joining a group; "
         "--multicast-group and --port select a destination in it (*)")  //
        ("write-capture", po::value<std::string>()->value_name("FILE"),
         "also write every datagram received or selected to this pcap file (*)")  //
        ("only-type", po::value<std::string>()->value_name("LIST"),
         "only messages of these types, by name or code: OrderAdd,Trade,38 (*)")  //
        ("only-instrument", po::value<std::string>()->value_name("LIST"),
         "only messages with an instrumentId in this list: 1234,5678 (*)")  //
        ("json", "every record as one JSON object per line (*)");
    add_reception_options(options);
    add_feed_options(options);
    return options;
}

po::options_description make_option_description() {
    po::options_description options;
    options.add(make_option_table()).add(make_further_options());
    return options;
}

std::string help_text() {
    // Each group is laid out by itself: printed as one description, the
    // library widens the first column of the table.
    std::ostringstream text;
    text << make_option_table() << '\n' << make_further_options();
    return text.str();
}

po::variables_map parse_command_line(int argc, const char* const* argv,
                                     const po::options_description& options) {
    po::variables_map parsed;
    // No positional arguments: a stray word is refused, not dropped.
    const po::positional_options_description no_positional;
    po::store(po::command_line_parser(argc, argv).options(options).positional(no_positional).run(),
              parsed);
    po::notify(parsed);
    return parsed;
}

std::string get_string_option(const po::variables_map& options, const std::string& name,
                              bool required) {
    if (options.count(name) != 0) {
        return options[name].as<std::string>();
    }
    if (required) {
        throw std::runtime_error(spdlog::fmt_lib::format("Required option --{} is missing", name));
    }
    return {};
}

}  // namespace tarn
