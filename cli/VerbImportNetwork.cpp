// zep-cli import-network PROJECT FILE... --scenario S [-o OUT]: reads network exchange files
// into one scenario, each as one "Import Network" command, and saves the study (to OUT, or in
// place). A file that fails stops the verb before anything is saved.
#include <cstdio>

#include "cli/Verbs.h"
#include "files/ImportExport.h"
#include "files/PrjFile.h"
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
    auto project = files::OpenProject(in);
    model::TScenario* s = project->Scenarios().FindScenario(a.Value("--scenario"));
    if (!s) {
        std::fprintf(stderr, "zep-cli: the study has no scenario \"%s\"\n",
                     a.Value("--scenario").c_str());
        return 1;
    }
    undo::TCommandStack stack;
    for (std::size_t i = 1; i < a.Positional().size(); ++i) {
        files::TImportNetworkCmd(*project, s, a.Positional()[i]).Execute(stack);
        std::printf("imported: %s\n", a.Positional()[i].c_str());
    }
    const std::string out = a.Value("-o", in);
    files::SaveProject(out, *project);
    std::printf("written: %s\n", out.c_str());
    return 0;
}

VerbRegistrar reg(51, {"import-network", "PROJECT FILE... --scenario S [-o OUT]",
                       "read network exchange files into a scenario and save the study",
                       ImportNetworkVerb});

} // namespace
} // namespace zep::cli
