#include "app/options.hpp"

#include <spdlog/common.h>

#include <sstream>
#include <stdexcept>

#include "app/reception_options.hpp"

namespace tarn {

namespace po = boost::program_options;

namespace {

po::options_description specified_options() {
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

po::options_description further_options() {
    po::options_description further("Further options");
    add_reception_options(further);
    return further;
}

}  // namespace

po::options_description make_option_description() {
    po::options_description options = specified_options();
    options.add(further_options());
    return options;
}

std::string help_text() {
    // Printed as one, the library would widen the first column of the table
    // by one for having a group; printed apart, each keeps its own width.
    std::ostringstream help;
    help << specified_options() << '\n' << further_options();
    return help.str();
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
