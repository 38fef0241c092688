#include "processing/udp_destination.hpp"

#include <spdlog/common.h>

namespace tarn {

char* write_text(char* at, const udp_destination& destination) {
    const auto& a = destination.address;
    return spdlog::fmt_lib::format_to(at, "{}.{}.{}.{}:{}", a[0], a[1], a[2], a[3],
                                      destination.port);
}

std::string text_of(const udp_destination& destination) {
    std::array<char, destination_text_room> text{};
    return {text.data(), write_text(text.data(), destination)};
}

}  // namespace tarn
