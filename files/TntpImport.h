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

/// What to build from; `nodes` and `trips` may be absent (nullptr). The file names name the
/// files in messages and notes.
struct TTntpImportInput {
    const TTntpNetwork* network = nullptr;
    std::string networkFile;
    const std::vector<TTntpNode>* nodes = nullptr;
    std::string nodesFile;
    bool geographic = false; // node positions are longitude/latitude
    const TTntpTrips* trips = nullptr;
    std::string tripsFile;
    TTntpNotes* notes = nullptr; // receives what had to be adapted, when given
};

/// Fills a project that has no nodes yet, in its base scenario:
/// - the nodes are those the links, the trips and the positions name, each with its number as
///   identifier; nodes 1..zones of the network and every node the trips name become micro
///   zones, the others plain nodes. Announced nodes that nothing names are left out; a trip
///   zone that is no node of the network stops the import; positions (geographic ones set the
///   project's "coordinate_system" to 2) of nodes the network does not have are left out, and a
///   node of the network without one stops the import;
/// - the mode "Car", its operator "Car" of type auto, and the category "Car" with that mode;
/// - one link type per network link type (its identifier when above 0), carrying operator data
///   for "Car" whose "free_flow_speed" is the largest link speed of the type;
/// - one link per network line, numbered in file order, used, with "two_way" false (its reverse
///   carries another identifier), capacity, length, and speed = length / free-flow time in the
///   file's own units. A zero free-flow time (zone connectors) gives the largest speed of the
///   network instead of an infinite one; without any positive time the speed stays unset.
///   The study holds one link per direction between two nodes, so each further link from the
///   same node to the same node is split by a new node at its midpoint into two links (the
///   first keeps the line's number, the second is numbered after the last line) with the
///   link's capacity and speed and half its length each: length and time stay whole;
/// - the trips' positive flows as exogenous trips of category "Car" by mode "Car".
/// Everything adapted is counted in `input.notes`. Contradictions raise ETntpError
/// "<file>:<line>: <what>", as does a project that already holds nodes.
void ImportTntp(model::TProject& project, const TTntpImportInput& input);

/// Reads the files (nodes from `nodesFile` or, geographic, from `geoJsonFile`; empty names are
/// absent) and imports them into `project`; the readers' and the import's notes go to `notes`.
void ImportTntpFiles(model::TProject& project, const std::string& networkFile,
                     const std::string& nodesFile, const std::string& geoJsonFile,
                     const std::string& tripsFile, TTntpNotes* notes = nullptr);

} // namespace zep::files
