// Arbitrary bytes through the project file reader: a loaded root or one of the stream's named
// exceptions, never a crash, a hang or an allocation sized by a damaged count.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/PrjFile.h"
#include "tests/files/PrjTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        zep::files::test::RegisterTestRoot();
        return true;
    }();
    (void)registered;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    zep::files::test::TTestRoot root;
    try {
        zep::TMemoryStream in(bytes);
        zep::files::LoadProject(in, root);
        // A stream that loads must also store.
        zep::files::test::StoreToBytes(root);
    } catch (const zep::Exception&) {
    }
    return 0;
}
