#include "modelio/CTL_File.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "model/Project.h"
#include "model/SCENARIO.h"

namespace zep::modelio {

using namespace model;

std::string CTLFileName(const TProject& project) {
    const std::filesystem::path dir = std::filesystem::path(project.FileName()).parent_path();
    return (dir / kCtlFileName).string();
}

TLines BuildCTL(const TProject& project) {
    TLines lines;
    lines.push_back("STUDY and SCENARIO DEFINITION -- File VARDEN.CTL");
    lines.push_back(SectionEndLine());

    lines.push_back("1.0 STUDY AREA IDENTIFICATION");
    lines.push_back(TLine().Ind().N("Code").Q(32, "Name").Str());
    lines.push_back(TLine().Ind().N(project.GetName()).Q(32, project.GetDescription()).Str());
    lines.push_back(SectionEndLine());

    // Sorted on a copy: the writer only reads the study, and the scenario order puts every
    // parent before its children, which is what the model reads the tree by.
    std::vector<const TScenario*> scenarios;
    const TScenarioList& list = project.Scenarios();
    for (std::size_t i = 0; i < list.Count(); ++i)
        scenarios.push_back(list.Get(i));
    std::stable_sort(scenarios.begin(), scenarios.end(),
                     [](const auto* a, const auto* b) { return CompareScenarios(a, b) < 0; });
    lines.push_back("2.0 SCENARIOS");
    lines.push_back(TLine().Ind().N("Code").Q(32, "Name").N("Prev").Str());
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        const TScenario& s = *scenarios[i];
        TLine line;
        line.Ind().N(s.GetName()).Q(32, s.GetDescription());
        // A scenario without parent gets the bare quoted blank, not a padded name column.
        if (s.Parent())
            line.N(s.Parent()->GetName());
        else
            line.Text("' '");
        lines.push_back(line.Str());
        ReportProgress("CTL Section 2.0 ", i + 1, scenarios.size());
    }
    lines.push_back(SectionEndLine());

    auto flag = [&](std::int32_t id) {
        return std::string(kInd) + (project.GetBoolean(id) ? "1" : "0");
    };
    lines.push_back("3.0 Model");
    lines.push_back("3.1 KELVA Use Logit model instead of Powit");
    lines.push_back(flag(TProjectI::kTransUseLogit));
    lines.push_back("3.2 SEB Use Logit model instead of Powit");
    lines.push_back(flag(TProjectI::kLocUseLogit));
    lines.push_back(SectionEndLine());
    return lines;
}

bool WriteCTL(const TProject& project) {
    return SaveIfChanged(CTLFileName(project), BuildCTL(project));
}

} // namespace zep::modelio
