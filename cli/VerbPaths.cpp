// zep-cli paths: least-cost paths between zones of a scenario and mode, a complete search from
// every zone (counts, timing, the skim matrix), and the paths of the model's path file.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"
#include "analysis/PathFile.h"
#include "analysis/PathFileSet.h"
#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/CATEGORY.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::cli {
namespace {

using namespace zep::model;
using analysis::TDualGraph;

const char* const kSynopsis =
    "PROJECT [--scenario S] [--mode M] [--category C] (--from Z --to Z [--path-file] | "
    "--all | --skim FILE.csv)";

/// An entity named by identifier, by key ("m_3") or by name.
template <class TList>
auto Find(const TList& list, const std::string& text, const char* prefix) -> decltype(list.Get(0)) {
    std::int64_t id = 0;
    std::string number = text;
    if (number.size() > 2 && number.compare(0, 2, std::string(prefix) + "_") == 0)
        number = number.substr(2);
    const bool numeric = TryStrToInt64(number, id);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        auto* e = list.Get(i);
        if ((numeric && e->Id() == id) || SameText(e->GetName(), text)) return e;
    }
    return nullptr;
}

double Since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

int ListPathFile(TProject& p, const TScenario* s, int modeIndex, const TCategory* category,
                 int origin, int destination) {
    using namespace analysis::paths;
    if (!HasPathFile(p, s, modeIndex)) {
        std::fprintf(stderr, "zep-cli: no path file %s (nor %s)\n",
                     PathFileName(p, s, modeIndex).c_str(),
                     PathFileName(p, s, modeIndex, true).c_str());
        return 1;
    }
    TPathFileSet set(p, s);
    set.Select(modeIndex, origin, 0, destination);
    const std::shared_ptr<TPathSet>& paths = set.CurrentSet();
    if (!paths) return 1;
    ComputePathChoice(*paths, category);
    const TTransportZoneList& zones = p.TransportZones();
    std::printf("file: %s\n", set.File()->FileName().c_str());
    std::printf("origin: %d\ndestination: %d\n", zones.Get(std::size_t(origin))->Id(),
                zones.Get(std::size_t(destination))->Id());
    std::printf("paths: %zu\n", paths->Count());
    std::printf("composite_cost: %s\n", CompositeCostText(paths->compositeCost).c_str());
    std::printf("mismatch: %s\n\n", paths->mismatch ? "yes" : "no");
    const auto& headings = PathInfoHeadings();
    for (std::size_t i = 0; i < headings.size(); ++i)
        std::printf("%s%s", i ? "," : "", headings[i].c_str());
    std::printf("\n");
    for (const auto& path : paths->paths) {
        const std::vector<std::string> texts = PathInfoTexts(*path);
        for (std::size_t i = 0; i < texts.size(); ++i)
            std::printf("%s%s", i ? "," : "", texts[i].c_str());
        std::printf("\n");
    }
    return set.File()->ReadFailed() ? 1 : 0;
}

int Paths(const std::vector<std::string>& args) {
    ArgReader a(args, {"--scenario", "--mode", "--category", "--from", "--to", "--skim"},
                {"--all", "--path-file"});
    a.ExpectPositional(1, 1, std::string("paths ") + kSynopsis);
    const bool pair = a.Has("--from") || a.Has("--to");
    const bool all = a.Has("--all") || a.Has("--skim");
    if (pair == all || (pair && !(a.Has("--from") && a.Has("--to"))) ||
        (a.Has("--path-file") && !pair))
        throw EUsageError("usage: zep-cli paths " + std::string(kSynopsis));

    TStudy project = OpenStudy(a.Positional()[0]);
    TProject& p = *project;
    TScenario* s =
        a.Has("--scenario") ? ScenarioByName(p, a.Value("--scenario")) : p.BaseScenario();
    const TMode* mode =
        a.Has("--mode") ? Find(p.Modes(), a.Value("--mode"), "m") : analysis::DefaultSearchMode(p);
    if (!mode) {
        std::fprintf(stderr, "zep-cli: %s\n",
                     a.Has("--mode")
                         ? ("the study has no mode \"" + a.Value("--mode") + "\"").c_str()
                         : "the study has no mode");
        return 1;
    }
    const TCategory* category = nullptr;
    if (a.Has("--category") && !(category = Find(p.Categories(), a.Value("--category"), "c"))) {
        std::fprintf(stderr, "zep-cli: the study has no category \"%s\"\n",
                     a.Value("--category").c_str());
        return 1;
    }

    if (pair) {
        const TTransportZoneList& zones = p.TransportZones();
        const TTransportZone* from = Find(zones, a.Value("--from"), "z");
        const TTransportZone* to = Find(zones, a.Value("--to"), "z");
        for (auto [zone, option] : {std::pair{from, "--from"}, {to, "--to"}})
            if (!zone) {
                std::fprintf(stderr, "zep-cli: the study has no zone \"%s\"\n",
                             a.Value(option).c_str());
                return 1;
            }
        if (a.Has("--path-file"))
            return ListPathFile(p, s, int(p.Modes().IndexOf(mode)), category,
                                int(zones.IndexOf(from)), int(zones.IndexOf(to)));
        TDualGraph graph(p, category, mode, s);
        EndProgress();
        if (analysis::PPath path = graph.PathBetweenZones(from, to))
            std::printf("%s\n", path->ToString().c_str());
        else
            std::printf("no path from zone %d to zone %d\n", from->Id(), to->Id());
        return 0;
    }

    auto start = std::chrono::steady_clock::now();
    TDualGraph graph(p, category, mode, s);
    EndProgress();
    const double buildSeconds = Since(start);
    std::ofstream skim;
    if (a.Has("--skim")) {
        skim.open(a.Value("--skim"), std::ios::binary);
        if (!skim) {
            std::fprintf(stderr, "zep-cli: cannot write %s\n", a.Value("--skim").c_str());
            return 1;
        }
        skim << "origin,destination,cost\n";
    }
    start = std::chrono::steady_clock::now();
    std::size_t reachable = 0;
    const std::size_t zones = graph.ZoneCount();
    for (std::size_t o = 0; o < zones; ++o) {
        const TZone* origin = graph.ZoneVertexAt(o).Zone();
        auto searcher = graph.SearcherForZone(origin);
        searcher->SearchAll();
        for (std::size_t d = 0; d < zones; ++d) {
            if (d == o) continue;
            const double cost = searcher->CostTo(graph.ZoneVertexAt(d).Index());
            if (!std::isfinite(cost)) continue;
            ++reachable;
            if (skim.is_open())
                skim << origin->Id() << ',' << graph.ZoneVertexAt(d).Zone()->Id() << ','
                     << FloatToStrGeneral(cost, 15) << '\n';
        }
        graph.ReleaseSearcher(origin);
        ShowProgress("Path search", double(o + 1) / double(zones));
    }
    EndProgress();
    const double searchSeconds = Since(start);
    if (skim.is_open()) {
        skim.close();
        if (!skim) {
            std::fprintf(stderr, "zep-cli: cannot write %s\n", a.Value("--skim").c_str());
            return 1;
        }
    }
    if (a.Has("--all")) {
        std::printf("vertices: %zu\narcs: %zu\nzones: %zu\npairs: %zu\n", graph.VertexCount(),
                    graph.ArcCount(), zones, reachable);
        std::printf("build_s: %s\nsearch_s: %s\n", Format("%.3f", {buildSeconds}).c_str(),
                    Format("%.3f", {searchSeconds}).c_str());
    }
    return 0;
}

VerbRegistrar reg(70, {"paths", kSynopsis,
                       "least-cost paths between zones, a search from every zone (--all), the "
                       "skim matrix (--skim) or the model's paths of a pair (--path-file)",
                       Paths,
                       "The scenario defaults to the base scenario, the mode to the study's second "
                       "mode (the first when it has one), no category to the mean values of time "
                       "of the mode's categories. Modes, categories and zones are named by "
                       "identifier, key (m_2, c_1, z_5) or name.\n"
                       "--from Z --to Z: the path text, or \"no path from zone A to zone B\".\n"
                       "--all: key: value lines vertices, arcs, zones, pairs (reachable), build_s, "
                       "search_s.\n"
                       "--skim FILE.csv: origin,destination,cost for every reachable pair.\n"
                       "--path-file: the paths of the model's path file for the pair, with their "
                       "totals and probabilities; exit 1 when the file could not be read whole.\n"
                       "Exit status: 0 done, 1 failed (unknown scenario, mode, category or zone; "
                       "no path file), 2 usage error."});

} // namespace
} // namespace zep::cli
