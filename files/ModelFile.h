// The reader of the model programs' network and assignment files (version header 6.8 and
// later): a study record, the scenario table and, in format 1, the network section by section.
#pragma once

#include <string>

#include "foundation/Stream.h"

namespace zep::model {
class TProject;
}

namespace zep::files {

/// Reads a model network file (format 1) or scenario file (format 3) into `project`, the
/// stream positioned after the six-byte version header. The project is then read-only, and
/// holds assignment results when the file's extension is ".T3S" (any case); its AfterLoad runs.
/// Format errors raise EInvalidFormat with the file's messages; short files EReadError.
void ReadModelFile(TStream& in, model::TProject& project, const std::string& fileName);

} // namespace zep::files
