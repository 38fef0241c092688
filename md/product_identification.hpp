#pragma once

#include "md/byte_view.hpp"
#include "md/layout.hpp"
#include "md/text_stream.hpp"

namespace tarn::md {

// The 31-byte block that Trade, PositionReport, IndexPortfolioEntry and each
// IndexUnderlying carry.
inline constexpr field product_identification_fields[] = {
    {0, "productIdentification", text(30)},
    {30, "productIdentificationType", enumeration<ProductIdentificationType>},
};
inline constexpr layout product_identification{31, product_identification_fields};
static_assert(is_contiguous(product_identification, 0));

// The block's two fields, each as "|name=value". `block` holds 31 bytes.
text_stream& write_product_identification(text_stream& out, byte_view block);

}  // namespace tarn::md
