// The assignment parameter file T1E (one per scenario): global iteration parameters, operator,
// link type and demand category parameters.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's T1E.
TLines BuildT1E(const model::TProject& project, const model::TScenario& scenario);
/// Builds and saves the file in the scenario's directory when its content changed; answers
/// whether it was written.
bool WriteT1E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
