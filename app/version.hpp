#pragma once

#include <string_view>

#include "app/revision.hpp"

namespace tarn {

inline constexpr std::string_view version_text = "2.1.1";

static_assert(revision_id.size() == 40, "the revision identifier is 40 hexadecimal digits");

}  // namespace tarn
