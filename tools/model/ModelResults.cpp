#include "ModelResults.h"

#include <map>
#include <memory>
#include <vector>

#include "analysis/DualGraph.h"
#include "analysis/PathFile.h"
#include "foundation/Stream.h"
#include "model/LINK.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::standin {

using namespace zep::model;

namespace {

// The link-routes a path passes, in order (zones, where paths start and end, are left out).
std::vector<const TLinkRoute*> LinkRoutesOf(const analysis::TGraph& graph,
                                            const analysis::PPath& path) {
    std::vector<const TLinkRoute*> out;
    for (const analysis::TPath* p = path.get(); p; p = p->Prefix().get())
        if (const TLinkRoute* lr = graph.Vertex(p->LastArc().target).LinkRoute()) out.push_back(lr);
    return {out.rbegin(), out.rend()};
}

analysis::paths::TPathFileContent NewContent(std::size_t nodes, std::size_t zones) {
    analysis::paths::TPathFileContent content(zones);
    content.fileTag = "VARDEN";
    content.tag = "PTH";
    content.nodes.resize(nodes);
    return content;
}

std::string Bytes(const analysis::paths::TPathFileContent& content) {
    TMemoryStream out;
    analysis::paths::WritePathFile(out, content);
    return out.Data();
}

} // namespace

std::string EmptyPathFileBytes(std::size_t nodes, std::size_t zones) {
    return Bytes(NewContent(nodes, zones));
}

std::string PathFileBytes(const TProject& project, const TScenario& scenario, const TMode& mode) {
    const TTransportZoneList& zones = project.TransportZones();
    analysis::paths::TPathFileContent content = NewContent(project.Nodes().Count(), zones.Count());
    // The model numbers link-routes as its network and assignment files list them: the links
    // used in the scenario in list order, each with its link-routes used there. A study opened
    // from the assignment file has its link-routes in that order, so the paths name the same
    // link-routes there (the study's own list is in the order the link-routes were made).
    std::unordered_map<const TLinkRoute*, std::int32_t> number;
    for (std::size_t i = 0; i < project.Links().Count(); ++i) {
        const TLink& l = *project.Links().Get(i);
        if (!l.IsUsedIn(&scenario)) continue;
        for (std::size_t k = 0; k < l.LinkRoutes().Count(); ++k) {
            const TLinkRoute* lr = l.LinkRoutes().Get(k);
            if (lr->IsUsedIn(&scenario) && lr->Route())
                number.emplace(lr, static_cast<std::int32_t>(number.size() + 1));
        }
    }
    analysis::TDualGraph graph(project, nullptr, &mode, &scenario);
    for (std::size_t o = 0; o < zones.Count(); ++o) {
        for (std::size_t d = 0; d < zones.Count(); ++d) {
            if (o == d) continue;
            analysis::PPath path = graph.PathBetweenZones(zones.Get(o), zones.Get(d));
            if (!path) continue;
            analysis::paths::TPathFileContent::TPathRecord record;
            for (const TLinkRoute* lr : LinkRoutesOf(graph, path)) {
                const auto n = number.find(lr);
                // 0 names no link-route: a reader marks the set as not matching the study.
                record.steps.push_back({n == number.end() ? 0 : n->second, 1});
            }
            content.Pair(o, d).push_back(std::move(record));
        }
        graph.ReleaseSearcher(zones.Get(o));
    }
    return Bytes(content);
}

std::unordered_map<const TLinkRoute*, double> AllOrNothingVolumes(const TProject& project,
                                                                  const TScenario& scenario) {
    std::unordered_map<const TLinkRoute*, double> volumes;
    std::map<const TMode*, std::unique_ptr<analysis::TDualGraph>> graphs;
    auto graphOf = [&](const TMode* mode) -> analysis::TDualGraph* {
        if (!mode) mode = analysis::DefaultSearchMode(project);
        if (!mode) return nullptr;
        auto& g = graphs[mode];
        if (!g) g = std::make_unique<analysis::TDualGraph>(project, nullptr, mode, &scenario);
        return g.get();
    };
    const TTransportZoneList& zones = project.TransportZones();
    for (std::size_t o = 0; o < zones.Count(); ++o) {
        TTransportZone* origin = zones.Get(o);
        for (std::size_t k = 0; k < origin->ODPairs().Count(); ++k) {
            TODPair* pair = origin->ODPairs().Get(k);
            for (std::size_t m = 0; m < pair->CategoryModes().Count(); ++m) {
                TCategoryMode* record = pair->CategoryModes().Get(m);
                const double trips = record->GetFloatIn(&scenario, TCategoryMode::kTrips);
                analysis::TDualGraph* graph = graphOf(record->Mode());
                if (trips <= 0 || !graph) continue;
                analysis::PPath path = graph->PathBetweenZones(origin, pair->Destination());
                if (!path) continue;
                for (const TLinkRoute* lr : LinkRoutesOf(*graph, path))
                    volumes[lr] += trips;
            }
        }
    }
    return volumes;
}

} // namespace zep::standin
