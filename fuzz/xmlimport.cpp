// Arbitrary bytes through the XML project import: a filled project or one of the system's
// exceptions, never a crash or a hang; a project that loads writes again, and what it writes
// reads again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    // What the writer makes of a study the reader accepted must read again.
    zep::model::TProject again;
    try {
        zep::files::LoadXmlProjectFromMemory(again, out.Data(), "again.xml");
    } catch (const zep::Exception& e) {
        std::fprintf(stderr, "what was written does not read again: %s\n--- written:\n%s\n",
                     e.Message().c_str(), out.Data().c_str());
        std::abort();
    }
    return 0;
}
