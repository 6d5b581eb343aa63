#include "modelio/L3E_File.h"

#include <algorithm>
#include <vector>

#include "model/Attractors.h"
#include "model/Project.h"
#include "model/SECTOR.h"

namespace zep::modelio {

using namespace model;

namespace {

const char* VariableCode(std::int32_t index) {
    return index >= 0 && index < 8 ? kAttractorVariables[index].code : "";
}

const char* FunctionCode(std::int32_t index) {
    return index >= 0 && index < 3 ? kFunctionTypeCodes[index] : "";
}

const TAttractionFunctionList* FunctionsOf(const TProject& project) {
    return dynamic_cast<const TAttractionFunctionList*>(
        project.GetObject(TProjectI::kAttractionFunctions));
}

const TSector* TargetSectorIn(const TAttractionFunction& f, const TScenario* s) {
    if (auto* sector =
            dynamic_cast<const TSector*>(f.GetObjectIn(s, TAttractionFunction::kTargetSector)))
        return sector;
    return f.TargetSector();
}

} // namespace

TLines BuildL3E(const TProject& project, const TScenario& scenario) {
    const TScenario* s = &scenario;
    TLines lines =
        TitleBlock("ALLOCATION OF CHANGES IN EXOGENOUS VARIABLES - File L3E", project, s);
    lines.push_back("1.0 INECREMENTS/DECREMENTS IN EXOGENOUS VARIABLES");
    lines.push_back(TLine()
                        .Ind()
                        .T(8, "Sector")
                        .N("Variable")
                        .N("Func")
                        .T(10, "Value")
                        .T(10, "Constant")
                        .T(8, "[AttracSector")
                        .N("AttracVar")
                        .T(10, "Param]")
                        .Text(" .../")
                        .Str());

    std::vector<const TAttractionFunction*> functions;
    if (const TAttractionFunctionList* list = FunctionsOf(project)) {
        for (std::size_t i = 0; i < list->Count(); ++i)
            functions.push_back(list->Get(i));
        std::stable_sort(functions.begin(), functions.end(),
                         [&](const auto* a, const auto* b) { return list->Compare(a, b) < 0; });
    }
    for (std::size_t i = 0; i < functions.size(); ++i) {
        const TAttractionFunction& f = *functions[i];
        const TSector* target = TargetSectorIn(f, s);
        TLine part;
        part.Ind()
            .I(target ? target->Id() : 0)
            .N(VariableCode(
                BaseValue(f, {TAttractionFunction::kTargetVariable}, TValue(0)).ToInteger()))
            .N(FunctionCode(
                BaseValue(f, {TAttractionFunction::kFunctionType}, TValue(0)).ToInteger()))
            .R(ValueIn(f, s, TAttractionFunction::kIncrement))
            .R(ValueIn(f, s, TAttractionFunction::kConstant));
        // The first attractor continues the function's line, later ones stand under it.
        std::string prefix = part.Str();
        const TAttractorList& attractors = f.Attractors();
        for (std::size_t k = 0; k < attractors.Count(); ++k) {
            const TAttractor& a = *attractors.Get(k);
            const TSector* sector = a.AttractorSectorIn(s);
            if (!sector) continue;
            lines.push_back(
                TLine(prefix)
                    .I(sector->Id())
                    .N(VariableCode(ValueIn(a, s, TAttractor::kAttractorVariable).ToInteger()))
                    .R(ValueIn(a, s, TAttractor::kFunctionType))
                    .Str());
            prefix.assign(part.Length(), ' ');
        }
        lines.push_back(prefix + " /");
        ReportProgress("L3E Section 1.0", i + 1, functions.size());
    }
    lines.push_back(SectionEndLine());
    return lines;
}

void WriteL3E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildL3E(project, scenario);
    SaveLines(InputFileName(project, &scenario, "W_", true, "L3E"), lines);
}

} // namespace zep::modelio
