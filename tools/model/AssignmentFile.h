// The model's assignment result file (network file layout, format 1) of one scenario, as the
// KELVA stand-in writes it: the whole network of the scenario with its link-routes, whose
// volumes come from the assignment.
#pragma once

#include <functional>
#include <string>

namespace zep::model {
class TProject;
class TScenario;
class TLinkRoute;
} // namespace zep::model

namespace zep::standin {

/// The assigned volume of a link-route (0 until path search can load trips onto paths).
using TVolumeOf = std::function<double(const model::TLinkRoute&)>;

/// The file's bytes. Raises std::runtime_error when the study does not fit the layout (a count
/// outside what the model's reader accepts).
std::string AssignmentFileBytes(const model::TProject& project, const model::TScenario& scenario,
                                const TVolumeOf& volumeOf);

} // namespace zep::standin
