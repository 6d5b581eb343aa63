// The batch job file of a scenario (PS.BAT in the project directory): the model programs of
// the scenario in order, each followed by its error check, for the Windows command
// interpreter. Run with an argument it first calls its parent's job file, so that a whole
// branch of the scenario tree runs from the base scenario down.
#pragma once

#include <string>

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's job file. The text is kept exactly as the command interpreter
/// expects it, whatever the platform that writes it.
TLines BuildJOB(const model::TProject& project, const model::TScenario& scenario);
/// The job file's path: the project directory + project and scenario code + ".BAT".
std::string JOBFileName(const model::TProject& project, const model::TScenario& scenario);
/// Builds the file and saves it when its content changed; answers whether it was written.
bool WriteJOB(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
