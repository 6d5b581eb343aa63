// Arbitrary bytes through the path file reader (the first byte gives the zone count): a cache
// or one of the reader's named errors, never a crash, a hang or a huge allocation.
#include <cstddef>
#include <cstdint>

#include "analysis/PathFile.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zep::TNullMessageHandler quiet;
    static const bool once = [] {
        zep::PushMessageHandler(&quiet);
        return true;
    }();
    (void)once;
    if (size == 0) return 0;
    zep::analysis::paths::TMatPasCache cache(data[0] % 16);
    try {
        zep::TReadOnlyMemoryStream in(data + 1, size - 1);
        zep::analysis::paths::ReadPathFile(in, cache);
    } catch (const zep::Exception&) {
    }
    // Whatever was read must decode.
    std::int64_t sum = 0;
    for (std::size_t o = 0; o < cache.ZoneCount(); ++o)
        for (std::size_t d = 0; d < cache.ZoneCount(); ++d)
            for (const auto& path : cache.Pair(o, d))
                for (std::size_t k = 0; k < path.StepCount(); ++k)
                    sum += path.LinkRouteNumber(k) + path.Weight(k);
    return sum == INT64_MIN ? -1 : 0; // keeps the decoding from being optimised away
}
