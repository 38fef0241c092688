#include "net/interface_address.hpp"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <spdlog/common.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace tarn {

namespace {

// strerror_r comes in two flavours; this picks the text out of either.
[[maybe_unused]] const char* error_text(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* error_text(const char* result, const char*) { return result; }

struct ifaddrs_release {
    void operator()(ifaddrs* list) const noexcept { freeifaddrs(list); }
};

}  // namespace

std::string find_interface_address(const std::string& name) {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        std::array<char, 1024> buffer{};
        const char* text =
            error_text(strerror_r(errno, buffer.data(), buffer.size()), buffer.data());
        throw std::runtime_error(spdlog::fmt_lib::format("`getifaddrs()` failed: {}", text));
    }
    const std::unique_ptr<ifaddrs, ifaddrs_release> list(raw);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        if (entry->ifa_name == nullptr || name != entry->ifa_name) {
            continue;
        }
        sockaddr_in address{};
        std::memcpy(&address, entry->ifa_addr, sizeof address);
        std::array<char, INET_ADDRSTRLEN> text{};
        if (inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size()) == nullptr) {
            continue;
        }
        return text.data();
    }
    throw std::runtime_error(
        spdlog::fmt_lib::format("Interface {} does not exist on this host", name));
}

}  // namespace tarn
