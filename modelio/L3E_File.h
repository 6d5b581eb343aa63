// The allocation file L3E (scenarios with a parent): the attraction functions that allocate
// changes in exogenous variables, with their attractors.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's L3E.
TLines BuildL3E(const model::TProject& project, const model::TScenario& scenario);
/// Builds the file and writes it whatever it held before, without creating the scenario's
/// directory (the writers before it in a generation make it).
void WriteL3E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
