#include <exception>
#include <iostream>
#include <memory>

#include "app/application.hpp"

int main(int argc, char** argv) {
    try {
        auto app = std::make_unique<tarn::application>(argc, argv);
        app->init();
        return app->run();
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
}
