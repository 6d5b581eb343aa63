// zep-cli info FILE: what a study holds, one "key: value" line per count.
#include <cstdio>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::cli {
namespace {

int Info(const std::vector<std::string>& args) {
    ArgReader a(args, {});
    a.ExpectPositional(1, 1, "info FILE");
    auto p = OpenStudy(a.Positional()[0]);
    const std::pair<const char*, std::size_t> counts[] = {
        {"scenarios", p->Scenarios().Count()},
        {"nodes", p->Nodes().Count()},
        {"zones", p->TransportZones().Count()},
        {"macro_zones", p->MacroZones().Count()},
        {"node_types", p->NodeTypes().Count()},
        {"links", p->Links().Count()},
        {"link_types", p->LinkTypes().Count()},
        {"link_routes", p->LinkRoutes().Count()},
        {"routes", p->Routes().Count()},
        {"operators", p->Operators().Count()},
        {"modes", p->Modes().Count()},
        {"categories", p->Categories().Count()},
        {"administrators", p->Administrators().Count()},
        {"sectors", p->Sectors().Count()},
        {"attraction_functions", p->AttractionFunctions().Count()},
    };
    for (const auto& [key, n] : counts)
        std::printf("%s: %zu\n", key, n);
    // Demand and land-use data: what an import with trips or economic data brought.
    std::size_t odPairs = 0, tripRecords = 0, economic = 0;
    double trips = 0;
    model::TScenario* base = p->BaseScenario();
    for (std::size_t i = 0; i < p->TransportZones().Count(); ++i) {
        model::TODPairList& pairs = p->TransportZones().Get(i)->ODPairs();
        odPairs += pairs.Count();
        for (std::size_t k = 0; k < pairs.Count(); ++k) {
            model::TCategoryModeList& records = pairs.Get(k)->CategoryModes();
            tripRecords += records.Count();
            for (std::size_t m = 0; m < records.Count(); ++m)
                trips += records.Get(m)->GetFloatIn(base, model::TCategoryMode::kTrips);
        }
    }
    for (std::size_t i = 0; i < p->Sectors().Count(); ++i)
        economic += p->Sectors().Get(i)->SectorZones().Count();
    std::printf("od_pairs: %zu\ntrip_records: %zu\ntrips: %s\neconomic_data: %zu\n", odPairs,
                tripRecords, FloatToStrGeneral(trips, 15).c_str(), economic);
    std::printf("scenario_names: %s\n", ScenarioNames(*p).c_str());
    return 0;
}

int Scenarios(const std::vector<std::string>& args) {
    ArgReader a(args, {});
    a.ExpectPositional(1, 1, "scenarios FILE");
    auto p = OpenStudy(a.Positional()[0]);
    for (std::size_t i = 0; i < p->Scenarios().Count(); ++i) {
        model::TScenario* s = p->Scenarios().Get(i);
        std::printf("%s\t%s\t%s\n", AnsiToUtf8(s->GetName()).c_str(),
                    s->Parent() ? AnsiToUtf8(s->Parent()->GetName()).c_str() : "-",
                    AnsiToUtf8(s->GetDescription()).c_str());
    }
    return 0;
}

VerbRegistrar reg(40, {"info", "FILE", "count what a study file holds", Info,
                       "One key: value line per count, then od_pairs, trip_records, trips (the\n"
                       "base scenario's total), economic_data and scenario_names.\n"});
VerbRegistrar scenarios(39,
                        {"scenarios", "FILE",
                         "list the scenarios: name, parent (- for the base), description",
                         Scenarios, "One line per scenario, tab-separated, in scenario order.\n"});

} // namespace
} // namespace zep::cli
