// The scenario definition file W_VARDEN.CTL (one per study): the study's code and name, the
// scenario tree as code, name and parent code, and the logit switches of KELVA and SEB.
#pragma once

#include <string>

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
}

namespace zep::modelio {

/// The fixed name of the file in the project directory (not built from the project code).
inline constexpr const char* kCtlFileName = "W_VARDEN.CTL";

/// The lines of W_VARDEN.CTL; reports "CTL Section 2.0 " progress per scenario.
TLines BuildCTL(const model::TProject& project);
/// The file's path: the project file's directory + W_VARDEN.CTL.
std::string CTLFileName(const model::TProject& project);
/// Builds the file and saves it when its content changed; answers whether it was written.
bool WriteCTL(const model::TProject& project);

} // namespace zep::modelio
