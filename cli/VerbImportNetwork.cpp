// zep-cli import-network PROJECT FILE... --scenario S [-o OUT]: reads network exchange files
// into one scenario, each as one "Import Network" command, and saves the study (to OUT, or in
// place). A file that fails stops the verb before anything is saved.
#include <cstdio>

#include "cli/Verbs.h"
#include "files/ImportExport.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "undo/CMDStk_.h"

namespace zep::cli {
namespace {

const char* const kSynopsis = "import-network PROJECT FILE... --scenario S [-o OUT]";

int ImportNetworkVerb(const std::vector<std::string>& args) {
    ArgReader a(args, {"--scenario", "-o"});
    a.ExpectPositional(2, static_cast<std::size_t>(-1), kSynopsis);
    if (!a.Has("--scenario")) throw EUsageError("usage: zep-cli " + std::string(kSynopsis));
    const std::string& in = a.Positional()[0];
    auto project = OpenStudy(in);
    model::TScenario* s = ScenarioByName(*project, a.Value("--scenario"));
    undo::TCommandStack stack;
    std::vector<std::string> report;
    for (std::size_t i = 1; i < a.Positional().size(); ++i) {
        const std::string& file = a.Positional()[i];
        const std::size_t nodes = project->Nodes().Count(), links = project->Links().Count(),
                          routes = project->Routes().Count();
        files::TImportNetworkCmd(*project, s, file).Execute(stack);
        std::string line = Format("%s: %d new nodes, %d new links, %d new routes",
                                  {file, int(project->Nodes().Count() - nodes),
                                   int(project->Links().Count() - links),
                                   int(project->Routes().Count() - routes)});
        // Links and routes may name nodes that no nodes file gave: they are made at (0, 0).
        if (project->Nodes().Count() > nodes &&
            files::NetworkFileKindOf(file) != files::TNetworkFileKind::Nodes)
            line += Format(" (%d of the nodes were named by no nodes file and stand at 0, 0)",
                           {int(project->Nodes().Count() - nodes)});
        report.push_back(line);
    }
    const std::string out = a.Value("-o", in);
    ProjectOutputForm(out);
    SaveStudy(out, *project);
    // Said only now: a study that could not be saved imported nothing.
    for (const std::string& line : report)
        std::printf("imported %s\n", line.c_str());
    std::printf("written: %s\n", out.c_str());
    return 0;
}

VerbRegistrar reg(51, {"import-network", "PROJECT FILE... --scenario S [-o OUT]",
                       "read network exchange files into a scenario and save the study",
                       ImportNetworkVerb});

} // namespace
} // namespace zep::cli
