// zep-cli info FILE: what a study holds, one "key: value" line per count.
#include <cstdio>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
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
    auto p = files::OpenProject(a.Positional()[0]);
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
    return 0;
}

VerbRegistrar reg(40, {"info", "FILE", "count what a study file holds", Info});

} // namespace
} // namespace zep::cli
