// Reader of the public TNTP road network format: network, demand, node coordinates (TNTP or
// GeoJSON points) and published link flows, into plain records for the importer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"

namespace zep::files {

/// Malformed TNTP (or GeoJSON node) input. The message is "<file>:<line>: <what>".
ZEP_DECLARE_EXCEPTION(ETntpError, Exception);

/// One "<NAME> value" line of a file's metadata block, in file order.
struct TTntpTag {
    std::string name;  // without the angle brackets
    std::string value; // trimmed
    int line = 0;
};

/// One directed link of a `*_net.tntp` file, in the file's units.
struct TTntpLink {
    std::int32_t init = 0;
    std::int32_t term = 0;
    double capacity = 0;
    double length = 0;
    double freeFlowTime = 0;
    double b = 0;
    double power = 0;
    double speed = 0;
    double toll = 0;
    std::int32_t linkType = 0;
    int line = 0;
};

/// A `*_net.tntp` file. Nodes are numbered 1..nodes; nodes 1..zones are the zones.
struct TTntpNetwork {
    std::int32_t zones = 0;
    std::int32_t nodes = 0;
    std::int32_t firstThruNode = 1;
    std::vector<TTntpTag> metadata;
    std::vector<TTntpLink> links;
};

/// A node position: planar x/y, or longitude/latitude for GeoJSON input.
struct TTntpNode {
    std::int32_t id = 0;
    double x = 0;
    double y = 0;
    int line = 0;
};

/// One origin-destination entry of a `*_trips.tntp` file.
struct TTntpTrip {
    std::int32_t origin = 0;
    std::int32_t destination = 0;
    double flow = 0;
};

/// A `*_trips.tntp` file; entries in file order, zero flows included.
struct TTntpTrips {
    std::int32_t zones = 0;
    std::optional<double> declaredTotal; // <TOTAL OD FLOW>, when the file gives it
    std::vector<TTntpTag> metadata;
    std::vector<TTntpTrip> trips;

    /// The sum of all flows.
    double Total() const;
};

/// One line of a `*_flow.tntp` file: a link's equilibrium volume and cost.
struct TTntpFlow {
    std::int32_t from = 0;
    std::int32_t to = 0;
    double volume = 0;
    double cost = 0;
    int line = 0;
};

/// Parses a network file. Requires <NUMBER OF ZONES>, <NUMBER OF NODES> and <NUMBER OF LINKS>
/// (<FIRST THRU NODE> defaults to 1), one link per line with its ten fields ended by ";", node
/// numbers within 1..nodes, and exactly the announced number of links.
TTntpNetwork ParseTntpNetwork(std::string_view text, std::string_view fileName);
/// Parses a demand file: "Origin N" blocks of "destination : flow;" entries, several to a
/// line. Zones are checked against <NUMBER OF ZONES>; an origin block or a destination within
/// a block may appear once; flows are finite and not negative.
TTntpTrips ParseTntpTrips(std::string_view text, std::string_view fileName);
/// Parses a node coordinate file: an optional "Node X Y ;" heading, then "id x y [;]" lines.
std::vector<TTntpNode> ParseTntpNodes(std::string_view text, std::string_view fileName);
/// Parses a GeoJSON FeatureCollection of Point features whose node number is the "id"
/// property (or the feature's "id"); x is the longitude, y the latitude.
std::vector<TTntpNode> ParseGeoJsonNodes(std::string_view text, std::string_view fileName);
/// Parses a flow file: a "From To Volume Cost" heading, then four fields per line.
std::vector<TTntpFlow> ParseTntpFlows(std::string_view text, std::string_view fileName);

/// Checks node coordinates against a network: every node 1..nodes has exactly one position
/// and no position names a node outside the network. `fileName` names the coordinate file.
void CheckTntpNodes(const TTntpNetwork& network, const std::vector<TTntpNode>& nodes,
                    std::string_view fileName);

/// The same, reading the file at `path` (EFOpenError when it cannot be read). Messages name
/// the file as given.
TTntpNetwork ReadTntpNetwork(const std::string& path);
TTntpTrips ReadTntpTrips(const std::string& path);
std::vector<TTntpNode> ReadTntpNodes(const std::string& path);
std::vector<TTntpNode> ReadGeoJsonNodes(const std::string& path);
std::vector<TTntpFlow> ReadTntpFlows(const std::string& path);

} // namespace zep::files
