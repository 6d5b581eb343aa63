// Builds a study from a public road network in the TNTP format (already parsed by TntpReader):
// zones, nodes, links with capacity, length and speed, link types, one car mode with its
// operator and category, and the exogenous car trips.
#pragma once

#include <string>
#include <vector>

#include "files/TntpReader.h"

namespace zep::model {
class TProject;
}

namespace zep::files {

/// What to build from; `nodes` and `trips` may be absent (nullptr).
struct TTntpImportInput {
    const TTntpNetwork* network = nullptr;
    std::string networkFile; // names the network file in messages
    const std::vector<TTntpNode>* nodes = nullptr;
    bool geographic = false; // node positions are longitude/latitude
    const TTntpTrips* trips = nullptr;
};

/// Fills a project that has no nodes yet, in its base scenario:
/// - nodes 1..zones become micro zones, the others plain nodes, positioned from `nodes`
///   (geographic positions set the project's "coordinate_system" to 2);
/// - the mode "Car", its operator "Car" of type auto, and the category "Car" with that mode;
/// - one link type per network link type (its identifier when above 0), carrying operator data
///   for "Car" whose "free_flow_speed" is the largest link speed of the type;
/// - one link per network line, numbered in file order, used, with "two_way" false (its reverse
///   carries another identifier), capacity, length, and speed = length / free-flow time in the
///   file's own units. A zero free-flow time (zone connectors) gives the largest speed of the
///   network instead of an infinite one; without any positive time the speed stays unset;
/// - the trips' positive flows as exogenous trips of category "Car" by mode "Car".
/// A second link between the same two nodes, or a project that already holds nodes, raises
/// ETntpError; positions for nodes outside the network too (CheckTntpNodes).
void ImportTntp(model::TProject& project, const TTntpImportInput& input);

/// Reads the files (nodes from `nodesFile` or, geographic, from `geoJsonFile`; empty names are
/// absent), checks them against each other and imports them into `project`.
void ImportTntpFiles(model::TProject& project, const std::string& networkFile,
                     const std::string& nodesFile, const std::string& geoJsonFile,
                     const std::string& tripsFile);

} // namespace zep::files
