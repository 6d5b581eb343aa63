// Arbitrary bytes as a .routes file (see netimport_common.h).
#include "netimport_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return zep::fuzz::ImportFuzzInput(zep::files::TNetworkFileKind::Routes, data, size);
}
