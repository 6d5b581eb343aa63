// zep-cli validate FILE: the study's own validation (one line per invalid entity with its
// message), then the structural consistency check; exit status 1 when anything is wrong.
#include <cstdio>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/CodePages.h"
#include "model/Project.h"
#if __has_include("model/Consistency.h")
#include "model/Consistency.h"
#define ZEP_HAVE_CONSISTENCY 1
#endif

namespace zep::cli {
namespace {

int Validate(const std::vector<std::string>& args) {
    ArgReader a(args, {});
    a.ExpectPositional(1, 1, "validate FILE");
    auto p = files::OpenProject(a.Positional()[0]);
    std::size_t problems = 0;
    auto invalid = p->Validate();
    for (std::size_t i = 0; i < invalid->Count(); ++i) {
        const model::TEntity* e = invalid->Get(i);
        std::printf("%s %s: %s\n", e->ClassName(), AnsiToUtf8(e->KeyText()).c_str(),
                    AnsiToUtf8(e->ErrorMessage()).c_str());
        ++problems;
    }
#ifdef ZEP_HAVE_CONSISTENCY
    for (const std::string& line : model::CheckConsistency(*p)) {
        std::printf("%s\n", AnsiToUtf8(line).c_str());
        ++problems;
    }
#endif
    std::printf("%zu problem%s\n", problems, problems == 1 ? "" : "s");
    return problems == 0 ? 0 : 1;
}

VerbRegistrar reg(42,
                  {"validate", "FILE", "validate a study file and check its structure", Validate});

} // namespace
} // namespace zep::cli
