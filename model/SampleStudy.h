// Deterministic studies built in memory: the bundled sample study "EXA" and synthetic studies of
// any size (grid network, routes along it, scenario changes) for tests and benchmarks.
#pragma once

#include <cstdint>

namespace zep::model {

class TProject;

/// Fills an empty project with the sample study "EXA": 25 zones (4 external, 2 macro zones),
/// a grid network of two-way pairs and one-way streets with polylines, 3 link types with
/// operator data, 2 administrators, modes car/bus/walk, operators of types auto, route and walk
/// with transfers and per-category data, 4 bus routes, 2 categories, the scenarios
/// 00A -> 01A -> 02A (01A adds a link and changes a capacity; 02A drops a route and prohibits a
/// turn), sectors with interactions, sector-zone and sector-category data, exogenous trips with
/// and without mode, and an attraction function with attractors. Records no undo steps when no
/// transaction is open.
void BuildSampleStudy(TProject& project);

/// The size of a synthetic study.
struct TStudySizes {
    std::int32_t nodes = 15000; ///< grid nodes plus zones
    std::int32_t links = 40000; ///< directed links, in two-way pairs
    std::int32_t zones = 300;   ///< zones, each tied to the grid by a two-way connector
    std::int32_t routes = 200;  ///< bus routes along the grid rows
    std::int32_t scenarios = 5; ///< scenarios in a chain below the base scenario, base included
    /// Links of each bus route: 0 runs each route along its whole row, so that the link-routes
    /// per link grow with the row's length, the square root of the grid; a length of its own
    /// keeps every count of the study in proportion to its links.
    std::int32_t lineLinks = 0;
};

/// Fills an empty project with a synthetic study of (about) the given size. Link-routes: one per
/// link for each of the car and walk operators (their access to the network) plus the bus
/// routes'. Each scenario below the base changes capacities, closes a few links and stops a
/// route. Deterministic.
void BuildSyntheticStudy(TProject& project, const TStudySizes& sizes);

} // namespace zep::model
