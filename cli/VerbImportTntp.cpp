// zep-cli import-tntp NET [--nodes F | --nodes-geojson F] [--trips F] -o PROJECT: builds a
// study from a public road network file with its node positions and trips, and lists what it
// had to adapt to take the files as they are.
#include <cstdio>
#include <filesystem>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "files/TntpImport.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::cli {
namespace {

const char* const kSynopsis =
    "import-tntp NET [--nodes F | --nodes-geojson F] [--trips F] -o PROJECT";

int ImportTntpVerb(const std::vector<std::string>& args) {
    ArgReader a(args, {"--nodes", "--nodes-geojson", "--trips", "-o"});
    a.ExpectPositional(1, 1, kSynopsis);
    if (!a.Has("-o") || (a.Has("--nodes") && a.Has("--nodes-geojson")))
        throw EUsageError("usage: zep-cli " + std::string(kSynopsis));
    const std::string& net = a.Positional()[0];
    TStudy study(new model::TProject);
    model::TProject& project = *study;
    // The study is named after the network file, without the "_net" the collection adds.
    std::string name = std::filesystem::path(net).stem().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, "_net") == 0)
        name.resize(name.size() - 4);
    project.SetName(name);
    files::TTntpNotes notes;
    files::ImportTntpFiles(project, net, a.Value("--nodes"), a.Value("--nodes-geojson"),
                           a.Value("--trips"), &notes);
    // What had to be adapted, one line per kind, after the progress line is gone.
    for (const std::string& line : notes.Lines())
        std::fprintf(stderr, "adapted: %s\n", line.c_str());
    ProjectOutputForm(a.Value("-o"));
    SaveStudy(a.Value("-o"), project);
    // Said after the save: a study that could not be written was not imported.
    std::printf("imported %s: %zu nodes, %zu zones, %zu links\n", net.c_str(),
                project.Nodes().Count(), project.TransportZones().Count(), project.Links().Count());
    if (!a.Has("--nodes") && !a.Has("--nodes-geojson"))
        std::printf("no positions given (--nodes or --nodes-geojson): every node stands at 0, 0\n");
    std::printf("written: %s\n", a.Value("-o").c_str());
    return 0;
}

VerbRegistrar reg(52, {"import-tntp", "NET [--nodes F | --nodes-geojson F] [--trips F] -o PROJECT",
                       "build a study from a public road network file (positions, trips); "
                       "adaptations are listed on standard error",
                       ImportTntpVerb});

} // namespace
} // namespace zep::cli
