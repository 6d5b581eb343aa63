// The network file P1E (one per scenario): every link of the scenario as a new link with the
// routes that serve it and its restricted or delayed turns, and the intersection delays.
#pragma once

#include "modelio/ZEPASCII.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::modelio {

/// The lines of the scenario's P1E; links in the order origin id, destination id.
TLines BuildP1E(const model::TProject& project, const model::TScenario& scenario);
/// Builds and saves the file in the scenario's directory when its content changed; answers
/// whether it was written.
bool WriteP1E(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::modelio
