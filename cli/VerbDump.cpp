// zep-cli dump FILE [-o OUT]: the study text of any study file (every entity, every scenario's
// values, sorted and stable, UTF-8), for comparing two studies with diff and for scripts.
#include <cstdio>
#include <fstream>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "model/Project.h"
#include "model/StudyText.h"

namespace zep::cli {
namespace {

int Dump(const std::vector<std::string>& args) {
    ArgReader a(args, {"-o"});
    a.ExpectPositional(1, 1, "dump FILE [-o OUT]");
    auto p = OpenStudy(a.Positional()[0]);
    const std::string text = model::StudyText(*p);
    if (!a.Has("-o")) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0)
            throw Exception("cannot write the study text to standard output");
        return 0;
    }
    const std::string out = a.Value("-o");
    std::ofstream file(out, std::ios::binary);
    file << text;
    file.close();
    if (!file) throw Exception("cannot write \"" + out + "\"");
    return 0;
}

VerbRegistrar reg(43,
                  {"dump", "FILE [-o OUT]",
                   "write a study's text: every entity and scenario value, sorted (UTF-8)", Dump});

} // namespace
} // namespace zep::cli
