// Arbitrary bytes through the model network file reader (behind a 6.8.1 header): a read-only
// study or one of the reader's named exceptions, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/PrjFile.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zep::TNullMessageHandler quiet;
    static const bool once = [] {
        zep::files::RegisterModelStreamClasses();
        zep::PushMessageHandler(&quiet);
        return true;
    }();
    (void)once;
    std::string bytes("\x06\x00\x08\x00\x01\x00", 6);
    bytes.append(reinterpret_cast<const char*>(data), size);
    zep::model::TProject project;
    try {
        zep::TMemoryStream in(bytes);
        zep::files::LoadProject(in, project, "fuzz.T3S");
    } catch (const zep::Exception&) {
    }
    return 0;
}
