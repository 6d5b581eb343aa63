// zep-cli export-network PROJECT --scenario S [--dir D] [--mif]: writes the network exchange
// files of one scenario (beside the project, or into D) and, with --mif, its route MIF/MID pair.
#include <cstdio>
#include <filesystem>

#include "cli/Verbs.h"
#include "files/ImportExport.h"
#include "files/MIF_File.h"
#include "files/PrjFile.h"
#include "model/Project.h"

namespace zep::cli {
namespace {

namespace fs = std::filesystem;

const char* const kSynopsis = "export-network PROJECT --scenario S [--dir D] [--mif]";

int ExportNetworkVerb(const std::vector<std::string>& args) {
    ArgReader a(args, {"--scenario", "--dir"}, {"--mif"});
    a.ExpectPositional(1, 1, kSynopsis);
    if (!a.Has("--scenario")) throw EUsageError("usage: zep-cli " + std::string(kSynopsis));
    auto project = OpenStudy(a.Positional()[0]);
    model::TScenario* s = ScenarioByName(*project, a.Value("--scenario"));
    const std::string dir = a.Value("--dir");
    if (!dir.empty()) fs::create_directories(dir);
    files::TExportNetworkCmd(*project, s, dir).Execute();
    using K = files::TNetworkFileKind;
    for (K kind : {K::Nodes, K::Links, K::Opers, K::Routes, K::Turns, K::Speeds}) {
        const std::string path = files::NetworkFileName(*project, s, kind, dir);
        if (kind != K::Speeds || project->AssignmentResults())
            std::printf("written: %s\n", path.c_str());
    }
    if (a.Has("--mif")) {
        // With --dir the pair goes below D, as it would beside a project kept there.
        if (!dir.empty())
            project->SetFileName(
                (fs::path(dir) / fs::path(project->FileName()).filename()).string());
        const files::TMifWriteResult r = files::WriteRouteMifFiles(*project, s);
        std::printf("%s: %s\n", r.mifWritten ? "written" : "unchanged", r.mifPath.c_str());
        std::printf("%s: %s\n", r.midWritten ? "written" : "unchanged", r.midPath.c_str());
    }
    return 0;
}

VerbRegistrar reg(50, {"export-network", "PROJECT --scenario S [--dir D] [--mif]",
                       "write a scenario's network exchange files (and its route MIF/MID pair)",
                       ExportNetworkVerb});

} // namespace
} // namespace zep::cli
