#include "capture/destination_tally.hpp"

#include <spdlog/common.h>

#include <algorithm>

namespace tarn::capture {

void destination_tally::count(const udp_destination& to) {
    const auto known = listed_.find(to);
    if (known != listed_.end()) {
        ++known->second;
    } else if (listed_.size() < listed_destinations) {
        listed_.emplace(to, 1);
    } else {
        ++unlisted_;
    }
}

std::string unread_frames_text(std::uint64_t fragments, std::uint64_t cut) {
    return spdlog::fmt_lib::format(
        " whole ({} IP fragments and {} frames cut short by the capture are not read)", fragments,
        cut);
}

std::string with_destinations(std::string head, std::string_view lead, destination_counts listed,
                              std::uint64_t unlisted) {
    std::stable_sort(listed.begin(), listed.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (!listed.empty() || unlisted != 0) {
        head += lead;
    }
    for (const auto& [choice, count] : listed) {
        head += spdlog::fmt_lib::format("\n  {} {} datagrams", text_of(choice), count);
    }
    if (unlisted != 0) {
        head += spdlog::fmt_lib::format("\n  and {} datagrams to further destinations", unlisted);
    }
    return head;
}

}  // namespace tarn::capture
