// The base-year location data file L0E (one per study, written with the base scenario):
// observed data per internal zone, exports and imports of external zones, restrictions.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
}

namespace zep::modelio {

/// The lines of W_<project>.L0E, every value a base value.
TLines BuildL0E(const model::TProject& project);
/// Builds and saves the file in the project directory when its content changed; answers
/// whether it was written.
bool WriteL0E(const model::TProject& project);

} // namespace zep::modelio
