#include "foundation/XMLGEN.h"

namespace zep::xmlgen {

const std::string& TXMLGenerator::DataString() {
    generator_.Flush();
    return stream_.Data();
}

} // namespace zep::xmlgen
