// Arbitrary bytes through the gzip reader: data or a zep::Exception, never a crash or a hang.
#include <cstddef>
#include <cstdint>

#include "foundation/ORVGZipStreams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zep::TReadOnlyMemoryStream source(data, size);
    try {
        zep::TGUnzipStream gz(source);
        char buf[1000];
        std::size_t total = 0;
        // Bounded output: a tiny input may legitimately expand a thousandfold.
        while (total < (64u << 20)) {
            std::size_t n = gz.Read(buf, sizeof buf);
            if (n == 0) break;
            total += n;
        }
        if (total > 10) {
            gz.Seek(3, zep::SeekOrigin::Begin);
            gz.Read(buf, 5);
        }
    } catch (const zep::Exception&) {
    }
    return 0;
}
