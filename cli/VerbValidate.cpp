// zep-cli validate FILE [--csv]: the study's own validation (one finding per line: scenario,
// kind, identifier, message), then the structural consistency check. Exit status 1 when
// anything is wrong, 3 when the file cannot be read.
#include <cstdio>
#include <map>

#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "foundation/CodePages.h"
#include "foundation/OrvMessages.h"
#include "model/Consistency.h"
#include "model/Project.h"

namespace zep::cli {
namespace {

// The kind of an entity as a planner names it.
std::string KindName(const model::TEntity& e) {
    static const std::map<std::string, std::string> names = {
        {"TNode", "node"},
        {"TZone", "zone"},
        {"TMicroZone", "zone"},
        {"TExternalZone", "external zone"},
        {"TMacroZone", "macro zone"},
        {"TLink", "link"},
        {"TLinkRoute", "link-route"},
        {"TLinkType", "link type"},
        {"TLinkTypeOper", "link type operator data"},
        {"TTurnRestriction", "turn"},
        {"TRoute", "route"},
        {"TOperatorRoute", "route"},
        {"TOperator", "operator"},
        {"TOperatorCategory", "operator category data"},
        {"TTransfer", "transfer"},
        {"TMode", "mode"},
        {"TCategory", "category"},
        {"TAdministrator", "administrator"},
        {"TScenario", "scenario"},
        {"TSector", "sector"},
        {"TSectorInteraction", "sector interaction"},
        {"TSectorZone", "economic data"},
        {"TSectorCategory", "sector category data"},
        {"TNodeType", "node type"},
        {"TAttractionFunction", "attraction function"},
        {"TODPair", "OD pair"},
        {"TCategoryMode", "trips"},
        {"TProject", "study"},
    };
    auto it = names.find(e.ClassName());
    if (it != names.end()) return it->second;
    std::string plain = e.ClassName();
    if (!plain.empty() && plain[0] == 'T') plain.erase(0, 1);
    return LowerCase(plain);
}

struct TFinding {
    std::string scenario, kind, id, message;
};

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

int Validate(const std::vector<std::string>& args) {
    ArgReader a(args, {}, {"--csv"});
    a.ExpectPositional(1, 1, "validate FILE [--csv]");
    TStudy p;
    try {
        p = OpenStudy(a.Positional()[0]);
    } catch (const std::exception& e) {
        EndProgress();
        std::fprintf(stderr, "%s\n", AnsiToUtf8(e.what()).c_str());
        return 3;
    }
    std::vector<TFinding> findings;
    auto invalid = p->Validate();
    for (std::size_t i = 0; i < invalid->Count(); ++i) {
        const model::TEntity* e = invalid->Get(i);
        const std::string kind = KindName(*e), id = AnsiToUtf8(e->KeyText());
        const std::size_t before = findings.size();
        if (auto* v = dynamic_cast<const model::TVersionedEntity*>(e);
            v && e->TEntity::ErrorMessage().empty()) {
            // One finding per scenario in which the entity's own values are wrong.
            for (std::size_t k = 0; k < p->Scenarios().Count(); ++k) {
                const model::TScenario* s = p->Scenarios().Get(k);
                const std::string message = v->ErrorMessageIn(s);
                if (!message.empty())
                    findings.push_back({AnsiToUtf8(s->GetName()), kind, id, AnsiToUtf8(message)});
            }
        }
        if (findings.size() == before)
            findings.push_back({"-", kind, id, AnsiToUtf8(e->ErrorMessage())});
    }
    // The structural checks walk the whole study again: on a large one they take as long as
    // the validation, so they show progress too.
    ShowProgress("Validating", 0);
    const std::vector<std::string> structure =
        model::CheckConsistency(*p, [](double done) { ShowProgress("Validating", done); });
    EndProgress();
    for (const std::string& line : structure)
        findings.push_back({"-", "structure", "-", AnsiToUtf8(line)});
    if (a.Has("--csv")) {
        std::printf("scenario,kind,id,message\n");
        for (const TFinding& f : findings)
            std::printf("%s,%s,%s,%s\n", CsvField(f.scenario).c_str(), CsvField(f.kind).c_str(),
                        CsvField(f.id).c_str(), CsvField(f.message).c_str());
    } else {
        for (const TFinding& f : findings)
            std::printf("%s %s %s: %s\n", f.scenario.c_str(), f.kind.c_str(), f.id.c_str(),
                        f.message.c_str());
    }
    std::fprintf(stderr, "%zu problem%s\n", findings.size(), findings.size() == 1 ? "" : "s");
    return findings.empty() ? 0 : 1;
}

VerbRegistrar
    reg(42, {"validate", "FILE [--csv]", "validate a study file and check its structure", Validate,
             "One finding per line: scenario (- when it concerns the whole entity),\n"
             "kind, identifier and message; the structural checks follow as kind\n"
             "\"structure\". --csv writes scenario,kind,id,message with a header line.\n"
             "The count goes to standard error.\n"
             "Exit status: 0 no problem, 1 problems found, 3 the file cannot be read.\n"});

} // namespace
} // namespace zep::cli
