// Helpers of the simplifier tests: the least cost of every zone pair, and commands checked
// against the study's dump and the consistency check.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"
#include "model/Consistency.h"
#include "model/Project.h"
#include "model/Zone.h"
#include "tests/model/ProjectTestSupport.h"

namespace zep::analysis::test {

using TZoneCosts = std::map<std::pair<std::int32_t, std::int32_t>, double>;

/// The least cost of every reachable ordered zone pair, by zone identifiers.
inline TZoneCosts ZoneCosts(model::TProject& p, const model::TCategory* category,
                            const model::TMode* mode, const model::TScenario* s) {
    TDualGraph g(p, category, mode, s);
    TZoneCosts costs;
    for (std::size_t o = 0; o < g.ZoneCount(); ++o) {
        const model::TZone* origin = g.ZoneVertexAt(o).Zone();
        auto searcher = g.SearcherForZone(origin);
        searcher->SearchAll();
        for (std::size_t d = 0; d < g.ZoneCount(); ++d) {
            const double c = searcher->CostTo(g.ZoneVertexAt(d).Index());
            if (d != o && std::isfinite(c))
                costs[{origin->Id(), g.ZoneVertexAt(d).Zone()->Id()}] = c;
        }
        g.ReleaseSearcher(origin);
    }
    return costs;
}

/// Number of pairs whose costs differ (relative 1e-9) or that only one side reaches.
inline std::size_t CostDifferences(const TZoneCosts& a, const TZoneCosts& b) {
    std::size_t n = 0;
    for (const auto& [pair, cost] : a) {
        auto it = b.find(pair);
        if (it == b.end() || std::fabs(it->second - cost) > 1e-9 * std::max(1.0, std::fabs(cost))) {
            if (++n <= 5)
                ADD_FAILURE() << pair.first << "->" << pair.second << ": " << cost << " vs "
                              << (it == b.end() ? -1.0 : it->second);
        }
    }
    for (const auto& [pair, cost] : b)
        if (!a.count(pair) && ++n <= 5)
            ADD_FAILURE() << pair.first << "->" << pair.second << ": only after, " << cost;
    return n;
}

} // namespace zep::analysis::test
