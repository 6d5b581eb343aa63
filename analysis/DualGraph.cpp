#include "analysis/DualGraph.h"

#include <chrono>

#include "analysis/OptPathSearcher.h"
#include "foundation/OrvMessages.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::analysis {

std::shared_ptr<IPathSearcher> TDualGraph::Searcher(const TZoneVertice& zone) {
    std::shared_ptr<IPathSearcher>& slot = Searchers()[std::size_t(zone.Index())];
    if (!slot) slot = std::make_shared<TPathSearcher>(*this, zone);
    return slot;
}

const model::TMode* DefaultSearchMode(const model::TProject& project) {
    const model::TModeList& modes = project.Modes();
    if (modes.Count() == 0) return nullptr;
    return modes.Get(modes.Count() > 1 ? 1 : 0);
}

TDualGraphRun MakeDualGraph(model::TProject& project) {
    TDualGraphRun run;
    TDualGraph graph(project, nullptr, DefaultSearchMode(project), project.CurrentScenario());
    const model::TTransportZoneList& zones = project.TransportZones();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < zones.Count(); ++i) {
        graph.SearchAllFromZone(zones.Get(i));
        ShowProgress("Path search", double(i + 1) / double(zones.Count()));
    }
    EndProgress();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.elapsed = FormatTimeSpan(run.seconds, true);
    if (zones.Count() >= 4)
        if (PPath p = graph.PathBetweenZones(zones.Get(0), zones.Get(3)))
            run.firstPathText = p->ToString();
    return run;
}

} // namespace zep::analysis
