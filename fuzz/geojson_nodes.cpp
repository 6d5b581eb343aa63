// Arbitrary bytes through the GeoJSON node reader (and so the JSON reader): nodes or an
// ETntpError, never a crash, a hang or a stack overflow.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/Json.h"
#include "files/TntpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        zep::files::ParseGeoJsonNodes(text, "fuzz.geojson");
    } catch (const zep::files::ETntpError&) {
    }
    return 0;
}
