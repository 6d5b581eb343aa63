// Arbitrary bytes through the DXF reader: a model or one of the reader's named errors, never a
// crash or a hang; whatever was read has a finite extent.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "view/OrvDXF.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zep::view::TDXFParser parser;
    try {
        parser.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const zep::Exception&) {
    }
    const zep::view::TExtent e = parser.Model().Extent();
    for (double v : {e.min.x, e.min.y, e.min.z, e.max.x, e.max.y, e.max.z})
        if (!e.empty && !std::isfinite(v)) __builtin_trap();
    return 0;
}
