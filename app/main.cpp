#include <exception>
#include <iostream>
#include <memory>

#include "app/application.hpp"
#include "processing/stop_request.hpp"

int main(int argc, char** argv) {
    int status = 0;
    try {
        auto app = std::make_unique<tarn::application>(argc, argv);
        app->init();
        status = app->run();
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
    // Stopped by SIGINT or SIGTERM: the summary is written, the application
    // destroyed; the process ends by that signal.
    tarn::end_by_stop_signal();
    return status;
}
