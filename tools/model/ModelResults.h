// What the stand-in path builder and assignment compute from the study itself: least-cost path
// files per mode, and link-route volumes of an all-or-nothing load of the exogenous trips.
#pragma once

#include <string>
#include <unordered_map>

namespace zep::model {
class TLinkRoute;
class TMode;
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::standin {

/// The path file of `mode` in `scenario`: for every ordered pair of distinct transport zones
/// (in the project's zone order) its least-cost path, or none when the destination cannot be
/// reached; steps number the link-routes from 1 in the order of the model's network and
/// assignment files (the links used in the scenario in list order, each with its link-routes
/// used there), which is the order of a study opened from the assignment file.
std::string PathFileBytes(const model::TProject& project, const model::TScenario& scenario,
                          const model::TMode& mode);

/// A path file of the same layout holding no paths: `nodes` node records, `zones` zones.
std::string EmptyPathFileBytes(std::size_t nodes, std::size_t zones);

/// Trips of every exogenous trip record of `scenario` loaded on the least-cost path of its mode
/// (the default search mode for a record of every mode), each link-route of the path carrying
/// them. Link-routes that carry nothing are absent.
std::unordered_map<const model::TLinkRoute*, double>
AllOrNothingVolumes(const model::TProject& project, const model::TScenario& scenario);

} // namespace zep::standin
