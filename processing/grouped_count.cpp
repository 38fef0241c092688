#include "processing/grouped_count.hpp"

#include <memory>

namespace tarn {

const std::array<std::locale, 2>& separator_locales() {
    // Built on first use; each locale owns its facet.
    static const auto pair = std::make_unique<const std::array<std::locale, 2>>(
        std::array<std::locale, 2>{std::locale(std::locale(), new locale::with_separator),
                                   std::locale(std::locale(), new locale::without_separator)});
    return *pair;
}

}  // namespace tarn
