// The land-use/transport interface file F1E (one per scenario): categories formed from
// sectors, intrazonal cost parameters, exogenous trips.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's F1E.
TLines BuildF1E(const model::TProject& project, const model::TScenario& scenario);
/// Builds and saves the file in the scenario's directory when its content changed; answers
/// whether it was written.
bool WriteF1E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
