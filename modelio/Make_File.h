// The study's Makefile: which model program must run again when one of its input files
// changed. Its names use the platform's path separator so that GNU make can run the model on
// the machine it was generated on.
#pragma once

#include <string>

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// A model result file of a scenario (extension "P0S", "T1S", "T2S", "C1S", "F1S" or "L1S"):
/// scenario code directory + project and scenario code, relative to the project directory.
std::string ResultFileName(const model::TProject& project, const model::TScenario& scenario,
                           const std::string& extension);

/// The lines of the Makefile.
TLines BuildMakefile(const model::TProject& project);
/// The file's path: the project file's directory + "Makefile".
std::string MakefileName(const model::TProject& project);
/// Builds the file and saves it when its content changed; answers whether it was written.
bool WriteMakefile(const model::TProject& project);

} // namespace zep::modelio
