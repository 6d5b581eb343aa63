// Arbitrary object streams (behind a 5.7.1 header) loaded into a whole project: the model's
// classes, their bodies and the project's repair after loading, never a crash or a hang.
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
    std::string bytes("\x05\x00\x07\x00\x01\x00", 6);
    bytes.append(reinterpret_cast<const char*>(data), size);
    zep::model::TProject project;
    try {
        zep::TMemoryStream in(bytes);
        zep::files::LoadProject(in, project);
        zep::TMemoryStream out;
        zep::files::StoreProject(out, project);
    } catch (const zep::Exception&) {
    }
    return 0;
}
