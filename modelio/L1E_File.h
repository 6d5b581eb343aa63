// The activity location parameter file L1E (one per scenario): global location parameters,
// the sectors' utility, demand, substitution and attractor parameters.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's L1E.
TLines BuildL1E(const model::TProject& project, const model::TScenario& scenario);
/// Builds and saves the file in the scenario's directory when its content changed; answers
/// whether it was written.
bool WriteL1E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
