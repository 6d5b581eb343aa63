// Arbitrary bytes as a .links file (see netimport_common.h).
#include "netimport_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return zep::fuzz::ImportFuzzInput(zep::files::TNetworkFileKind::Links, data, size);
}
