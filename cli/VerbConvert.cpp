// zep-cli convert IN OUT: reads a study in any supported form and writes it in the form OUT's
// name asks for (".zpz" compressed, ".zep" plain).
#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "model/Project.h"

namespace zep::cli {
namespace {

int Convert(const std::vector<std::string>& args) {
    ArgReader a(args, {});
    a.ExpectPositional(2, 2, "convert IN OUT");
    auto p = files::OpenProject(a.Positional()[0]);
    files::SaveProject(a.Positional()[1], *p);
    return 0;
}

VerbRegistrar reg(41, {"convert", "IN OUT", "convert a study file (form by extension)", Convert});

} // namespace
} // namespace zep::cli
