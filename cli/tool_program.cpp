#include "cli/tool_program.hpp"

#include <exception>
#include <iostream>

#include "app/version.hpp"

namespace tarn {

namespace po = boost::program_options;

int run_tool(std::string_view name, int argc, char** argv,
             const po::options_description& description,
             const std::function<int(const po::variables_map&)>& run) {
    try {
        po::variables_map options;
        po::store(po::parse_command_line(argc, argv, description), options);
        po::notify(options);
        if (argc <= 1 || options.count("help") != 0) {
            std::cout << description << std::endl;
            return 0;
        }
        if (options.count("version") != 0) {
            std::cout << version_line() << std::endl;
            return 0;
        }
        return run(options);
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << std::endl;
        return 1;
    }
}

}  // namespace tarn
