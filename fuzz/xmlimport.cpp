// Arbitrary bytes through the XML project import: a filled project or one of the system's
// exceptions, never a crash or a hang; a project that loads is consistent and writes again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/TXMLIn.h"
#include "files/TXMLOut.h"
#include "foundation/Stream.h"
#include "model/Consistency.h"
#include "model/Project.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    zep::model::TProject project;
    try {
        zep::files::LoadXmlProjectFromMemory(project, bytes, "fuzz.xml");
    } catch (const zep::Exception&) {
        return 0;
    }
    zep::TMemoryStream out;
    zep::files::TXMLWriter(project).Write(out);
    return 0;
}
