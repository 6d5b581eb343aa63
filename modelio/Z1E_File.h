// The zone definition file Z1E (one per study): internal zones, macro zones with their
// sub-zones, external zones.
#pragma once

#include <string>

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
}

namespace zep::modelio {

/// The lines of W_<project>.Z1E; reports "Z1E Section ..." progress.
TLines BuildZ1E(const model::TProject& project);
/// Builds the file and saves it beside the project file when its content changed; answers
/// whether it was written.
bool WriteZ1E(const model::TProject& project);

} // namespace zep::modelio
