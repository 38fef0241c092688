#pragma once

#include <spdlog/common.h>

#include <string>
#include <string_view>

#include "app/revision.hpp"

namespace tarn {

static_assert(!version_text.empty(), "the build files give the version");
static_assert(revision_id.size() == 40, "the revision identifier is 40 hexadecimal digits");

// What --version prints, the same for every program of the package.
inline std::string version_line() {
    return spdlog::fmt_lib::format("{} {}", version_text, revision_id);
}

}  // namespace tarn
