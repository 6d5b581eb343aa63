// The location increments file L2E (scenarios with a parent): increments in the exogenous and
// endogenous variables of the sectors, globally and per zone.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's L2E, every value read in the scenario.
TLines BuildL2E(const model::TProject& project, const model::TScenario& scenario);
/// Builds and saves the file in the scenario's directory when its content changed; answers
/// whether it was written.
bool WriteL2E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
