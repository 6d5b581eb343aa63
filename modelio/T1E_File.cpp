#include "modelio/T1E_File.h"

#include "model/CATEGORY.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::modelio {

using namespace model;

TLines BuildT1E(const TProject& project, const TScenario& scenario) {
    const TScenario* s = &scenario;
    const std::string progress = SectionProgressText("T1E", scenario.GetName(), "");
    TLines lines = TitleBlock("TRANSPORT ASSIGNMENT PARAMETERS - File T1E", project, s);

    // Three study-wide values under two headings, the convergence in the wide column.
    lines.push_back("1.0 GLOBAL PARAMETERS");
    lines.push_back(TLine().Ind().T(10, "Iterations").T(10, "Convergence").Str());
    lines.push_back(TLine()
                        .Ind()
                        .R(project.GetValue(TProjectI::kTransIterations))
                        .W(project.GetValue(TProjectI::kTransConvergence))
                        .R(project.GetValue(TProjectI::kTransSmoothing))
                        .Str());
    lines.push_back(SectionEndLine());

    lines.push_back("2.0 Simulation Parameters");
    lines.push_back("    2.1 Operator Parameters");
    lines.push_back(TLine().Ind().T(8, "Oper").T(10, "TimeFactor").T(10, "ConsolPar").Str());
    const TOperatorList& ops = project.Operators();
    for (std::size_t i = 0; i < ops.Count(); ++i) {
        const TOperator& o = *ops.Get(i);
        TLine line;
        line.Ind().I(o.Id()).R(ValueIn(o, s, TOperator::kTimeFactor));
        // -1 tells the model that the operator has no return trips.
        if (ValueIn(o, s, TOperator::kHasReturnTrips).ToBool())
            line.R(ValueIn(o, s, TOperator::kPctReturnTrips));
        else
            line.R(-1.0);
        lines.push_back(line.Str());
        ReportProgress(progress + "2.1 ", i + 1, ops.Count());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("    2.2 Capacity Restriction Parameters");
    lines.push_back(TLine()
                        .Ind()
                        .T(8, "Link")
                        .T(10, "% Reduct")
                        .T(10, "% Reduct")
                        .T(10, "V/C for")
                        .T(10, "Capacity")
                        .Str());
    lines.push_back(TLine()
                        .Ind()
                        .T(8, "Type")
                        .T(10, "at V/C=1")
                        .T(10, "Max")
                        .T(10, "Min Vel")
                        .T(10, "Factor")
                        .Str());
    const TLinkTypeList& types = project.LinkTypes();
    for (std::size_t i = 0; i < types.Count(); ++i) {
        const TLinkType& t = *types.Get(i);
        lines.push_back(TLine()
                            .Ind()
                            .I(t.Id())
                            .R(ValueIn(t, s, TLinkType::kPctSpeedAtFullCapacity))
                            .R(ValueIn(t, s, TLinkType::kMinSpeedPct))
                            .R(ValueIn(t, s, TLinkType::kVcForMinSpeed))
                            .R(ValueIn(t, s, TLinkType::kCapacityFactor))
                            .Str());
        ReportProgress(progress + "2.2 ", i + 1, types.Count());
    }
    lines.push_back(SectionEndLine());

    // The wide column holds the fourth value although the heading's wide column is the fifth.
    lines.push_back("    2.3 Trip generation and modal split");
    lines.push_back(TLine()
                        .Ind()
                        .T(8, "Cat")
                        .T(10, "MinGen")
                        .T(10, "MaxGen")
                        .T(10, "GenElast")
                        .T(14, "ModeElast")
                        .T(10, "Logit Sc")
                        .T(10, "CarAvail")
                        .Str());
    const TCategoryList& cats = project.Categories();
    for (std::size_t i = 0; i < cats.Count(); ++i) {
        const TCategory& c = *cats.Get(i);
        lines.push_back(TLine()
                            .Ind()
                            .I(c.Id())
                            .R(ValueIn(c, s, TCategory::kMinGeneration))
                            .R(ValueIn(c, s, TCategory::kMaxGeneration))
                            .W(ValueIn(c, s, TCategory::kDemandElasticity))
                            .R(ValueIn(c, s, TCategory::kModeChoiceElasticity))
                            .R(ValueIn(c, s, TCategory::kModeChoiceLogitScaling))
                            .R(ValueIn(c, s, TCategory::kVehicleAvailability))
                            .Str());
        ReportProgress(progress + "2.3 ", i + 1, cats.Count());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("    2.4 Path Choice Parameters");
    lines.push_back(TLine().Ind().T(8, "Cat").T(14, "PathChElas").T(10, "Logit Sc").Str());
    for (std::size_t i = 0; i < cats.Count(); ++i) {
        const TCategory& c = *cats.Get(i);
        lines.push_back(TLine()
                            .Ind()
                            .I(c.Id())
                            .W(ValueIn(c, s, TCategory::kPathChoiceElasticity))
                            .R(ValueIn(c, s, TCategory::kPathChoiceLogitScaling))
                            .Str());
        ReportProgress(progress + "2.4 ", i + 1, cats.Count());
    }
    lines.push_back(SectionEndLine());
    return lines;
}

bool WriteT1E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildT1E(project, scenario);
    return SaveIfChanged(InputFileName(project, &scenario, "W_", true, "T1E"), lines);
}

} // namespace zep::modelio
