// The public road networks, imported and opened as a planner would: the least cost of every zone
// pair equals the value of time times the least sum of free-flow times found by the Boost Graph
// Library on a line graph of the network file's links, with the same rules (no immediate
// U-turn, zone nodes may be passed, zones only start and end paths).
#include <gtest/gtest.h>

#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/dijkstra_shortest_paths.hpp>

#include <filesystem>
#include <limits>
#include <map>

#include "AnalysisTestStudy.h"
#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"
#include "files/PrjFile.h"
#include "files/TntpImport.h"
#include "files/TntpReader.h"
#include "foundation/OrvMessages.h"

namespace zep::analysis::test {
namespace {

namespace fs = std::filesystem;
constexpr double kInf = std::numeric_limits<double>::infinity();

using TBoostGraph =
    boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property,
                          boost::property<boost::edge_weight_t, double>>;

/// Least free-flow time between every zone pair ([o][d], zones 1-based at index - 1).
std::vector<std::vector<double>> BoostZoneTimes(const files::TTntpNetwork& net) {
    // Connectors without a free-flow time run at the network's fastest speed, as imported.
    double fastest = 0;
    for (const auto& l : net.links)
        if (l.freeFlowTime > 0) fastest = std::max(fastest, l.length / l.freeFlowTime);
    auto time = [&](const files::TTntpLink& l) {
        return l.freeFlowTime > 0 ? l.freeFlowTime : l.length / fastest;
    };
    const std::size_t links = net.links.size(), zones = std::size_t(net.zones);
    // Vertices: links, then one source and one sink per zone.
    TBoostGraph g(links + 2 * zones);
    std::multimap<std::int32_t, std::size_t> leaving;
    for (std::size_t i = 0; i < links; ++i)
        leaving.emplace(net.links[i].init, i);
    for (std::size_t i = 0; i < links; ++i) {
        const auto& a = net.links[i];
        auto [lo, hi] = leaving.equal_range(a.term);
        for (auto it = lo; it != hi; ++it)
            if (net.links[it->second].term != a.init)
                boost::add_edge(i, it->second, time(net.links[it->second]), g);
        if (a.init <= net.zones) boost::add_edge(links + std::size_t(a.init - 1), i, time(a), g);
        if (a.term <= net.zones)
            boost::add_edge(i, links + zones + std::size_t(a.term - 1), 0.0, g);
    }
    std::vector<std::vector<double>> result(zones, std::vector<double>(zones, kInf));
    std::vector<double> dist(boost::num_vertices(g));
    for (std::size_t o = 0; o < zones; ++o) {
        boost::dijkstra_shortest_paths(g, links + o,
                                       boost::distance_map(dist.data()).distance_inf(kInf));
        for (std::size_t d = 0; d < zones; ++d)
            if (d != o) result[o][d] = dist[links + zones + d];
    }
    return result;
}

void CheckNetwork(const std::string& folder, const std::string& netFile) {
    const std::string net = std::string(ZEP_SHARED_DATA) + "/networks/" + folder + "/" + netFile;
    if (!fs::exists(net)) GTEST_SKIP() << "no shared data at " << net;
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);

    // Import, save, open: the opened study is what a planner searches.
    const fs::path dir = fs::temp_directory_path() / ("zep_real_" + folder);
    fs::create_directories(dir);
    const std::string file = (dir / "net.zpz").string();
    {
        TProject imported;
        imported.SetName(folder);
        files::ImportTntpFiles(imported, net, "", "", "");
        files::SaveProject(file, imported);
    }
    std::unique_ptr<TProject> p = files::OpenProject(file);
    const files::TTntpNetwork tntp = files::ReadTntpNetwork(net);
    ASSERT_EQ(std::size_t(tntp.zones), p->TransportZones().Count());

    TScenario* s = p->BaseScenario();
    TCategory* car = p->Categories().Get(0);
    const double vot = 2.5;
    car->SetValueIn(s, TCategory::kValueOfTravelTime, TValue(vot));
    TDualGraph g(*p, car, p->Modes().Get(0), s);
    const auto expected = BoostZoneTimes(tntp);

    std::size_t reachable = 0, mismatches = 0;
    for (std::size_t o = 0; o < p->TransportZones().Count(); ++o) {
        const TZone* origin = p->TransportZones().Get(o);
        ASSERT_EQ(std::int32_t(o + 1), origin->Id());
        auto searcher = g.SearcherForZone(origin);
        searcher->SearchAll();
        for (std::size_t d = 0; d < p->TransportZones().Count(); ++d) {
            if (d == o) continue;
            const double got = searcher->CostTo(g.ZoneVertexAt(d).Index());
            const double want = vot * expected[o][d];
            if (std::isfinite(want)) ++reachable;
            if (!Near(want, got) &&
                !(std::isfinite(want) && std::fabs(want - got) <= 1e-9 * std::fabs(want))) {
                if (++mismatches <= 5)
                    ADD_FAILURE() << folder << " " << o + 1 << "->" << d + 1 << ": " << want
                                  << " vs " << got;
            }
        }
        g.ReleaseSearcher(origin);
    }
    EXPECT_EQ(0u, mismatches);
    EXPECT_GT(reachable, 0u);
    fs::remove_all(dir);
}

TEST(RealNetworks, SiouxFallsLeastCostsMatchBoost) {
    CheckNetwork("SiouxFalls", "SiouxFalls_net.tntp");
}
TEST(RealNetworks, AnaheimLeastCostsMatchBoost) {
    CheckNetwork("Anaheim", "Anaheim_net.tntp");
}
TEST(RealNetworks, ChicagoSketchLeastCostsMatchBoost) {
    CheckNetwork("Chicago-Sketch", "ChicagoSketch_net.tntp");
}

} // namespace
} // namespace zep::analysis::test
