#include "md/product_identification.hpp"

#include "md/layout_printer.hpp"

namespace tarn::md {

text_stream& write_product_identification(text_stream& out, byte_view block) {
    return write_fields(out, product_identification, block.sub(0, product_identification.size));
}

}  // namespace tarn::md
