// The transport parameter file P0E (one per scenario): modes, operators, routes,
// administrators, link types, categories, operating costs and tariffs.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's P0E, every versioned value read in the scenario.
TLines BuildP0E(const model::TProject& project, const model::TScenario& scenario);
/// Builds and saves the file in the scenario's directory when its content changed; answers
/// whether it was written.
bool WriteP0E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
