#include "modelio/L1E_File.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/Project.h"
#include "model/SECTOR.h"

namespace zep::modelio {

using namespace model;

namespace {

using TInteractions = std::vector<const TSectorInteraction*>;

// The interactions in the list's sorted order (by input sector), on a copy.
TInteractions SortedInteractions(const TSector& sector) {
    const TSectorInteractionList& list = sector.Interactions();
    TInteractions sorted;
    for (std::size_t i = 0; i < list.Count(); ++i)
        sorted.push_back(list.Get(i));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const auto* a, const auto* b) { return list.Compare(a, b) < 0; });
    return sorted;
}

std::int32_t IdOf(const TEntity* e) {
    return e ? e->Id() : 0;
}

// The consuming sector is the owner of the list when the record does not name it.
std::int32_t FromId(const TSectorInteraction& r, const TSector& owner) {
    return r.FromSector() ? r.FromSector()->Id() : owner.Id();
}

// Blanks under ind + I + L(14) + T(10): continuation lines of a substitution group line up
// with its first substitute.
const std::string kGroupIndent(39, ' ');

class TL1EBuilder {
public:
    TL1EBuilder(const TProject& project, const TScenario& scenario) : p_(project), s_(&scenario) {}

    TLines Build() {
        lines_ = TitleBlock("ACTIVITY LOCATION PARAMETERS - File L1E", p_, s_);
        GlobalParameters();
        Utilities();
        Demands();
        Substitutions();
        ExogenousAttractors();
        InducedAttractors();
        return std::move(lines_);
    }

private:
    double F(const TVersionedEntity& e, std::int32_t id) const { return FloatIn(e, s_, id); }
    void Add(const TLine& line) { lines_.push_back(line.Str()); }
    void End() { lines_.push_back(SectionEndLine()); }

    void GlobalParameters() {
        lines_.push_back("1.0  GLOBAL PARAMETERS");
        Add(TLine().Ind().T(10, "Iterations").Text("    ").T(10, "Convergence"));
        // The model needs at least one iteration whatever the study says.
        double iterations = std::max(1.0, p_.GetFloat(TProjectI::kLocIterations));
        Add(TLine()
                .Ind()
                .R(iterations)
                .Text("    ")
                .R(p_.GetValue(TProjectI::kLocConvergence))
                .R(p_.GetValue(TProjectI::kLocSmoothing))
                .Text(" /"));
        End();
    }

    void Utilities() {
        lines_.push_back("2.0 SOCIOECONOMIC SECTORS ");
        lines_.push_back("   2.1 Locational Utility Function Parameters");
        Add(TLine()
                .Ind()
                .T(8, "")
                .L(15, "")
                .T(10, "Utility")
                .T(10, "")
                .T(10, "Price")
                .T(10, "")
                .T(10, "Logit")
                .T(10, "Atrac.")
                .T(10, "Price-Cost")
                .T(10, "Sector")
                .T(10, "Target"));
        Add(TLine()
                .Ind()
                .T(8, "Sector")
                .L(15, "Name")
                .T(10, "Lev1")
                .T(10, "Lev2")
                .T(10, "Lev1")
                .T(10, "Lev2")
                .T(10, "Scale")
                .T(10, "Factor")
                .T(10, "Ratio")
                .T(10, "Type")
                .T(10, "Sector"));
        const TSectorList& sectors = p_.Sectors();
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            const TSector& e = *sectors.Get(i);
            // The second-level columns are always 0, and no target sector is written.
            Add(TLine()
                    .Ind()
                    .I(e.Id())
                    .N(e.GetName())
                    .R(ValueIn(e, s_, TSector::kDistParam))
                    .R(0.0)
                    .R(ValueIn(e, s_, TSector::kPriceScale))
                    .R(0.0)
                    .R(ValueIn(e, s_, TSector::kDistLogitScaling))
                    .R(ValueIn(e, s_, TSector::kAtractorFactor))
                    .R(ValueIn(e, s_, TSector::kMinPriceCostRatio))
                    .R(BaseValue(e, {TSector::kSectorType}, TValue(0)))
                    .Text(" /"));
            ReportProgress("L1E Section 2.1 ", i + 1, sectors.Count());
        }
        End();
    }

    void Demands() {
        lines_.push_back("   2.2 Demand Function Parameters");
        Add(TLine()
                .Ind()
                .T(8, "Sect")
                .T(8, "Input")
                .T(14, "MinCons")
                .T(14, "MaxCons")
                .T(14, "Elast"));
        const TSectorList& sectors = p_.Sectors();
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            const TSector& e = *sectors.Get(i);
            for (const TSectorInteraction* r : SortedInteractions(e)) {
                if (!r->InputSector()) continue;
                if (F(*r, TSectorInteraction::kMinDemand) == 0 &&
                    F(*r, TSectorInteraction::kMaxDemand) == 0)
                    continue;
                Add(TLine()
                        .Ind()
                        .I(FromId(*r, e))
                        .I(r->InputSector()->Id())
                        .W(ValueIn(*r, s_, TSectorInteraction::kMinDemand))
                        .W(ValueIn(*r, s_, TSectorInteraction::kMaxDemand))
                        .W(ValueIn(*r, s_, TSectorInteraction::kInducedDemandElasticity))
                        .Text("/"));
            }
            ReportProgress("L1E Section 2.2 ", i + 1, sectors.Count());
        }
        End();
    }

    void Substitutions() {
        lines_.push_back("   2.3 Demand Substitutions");
        Add(TLine()
                .Ind()
                .T(8, "Sector")
                .T(14, "SustElast")
                .T(10, "LogitSc")
                .T(8, "Subst")
                .T(10, "Penal")
                .Text(".../"));
        const TSectorList& sectors = p_.Sectors();
        const std::size_t groups = sectors.Count();
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            const TSector& e = *sectors.Get(i);
            const TInteractions interactions = SortedInteractions(e);
            for (std::size_t g = 1; g <= groups; ++g) {
                TInteractions members;
                for (const TSectorInteraction* r : interactions) {
                    if (!r->InputSector()) continue;
                    if (F(*r, TSectorInteraction::kSubstitutionGroup) != static_cast<double>(g))
                        continue;
                    double penalty = F(*r, TSectorInteraction::kSubstitutionPenalty);
                    if (penalty == 0 || std::isinf(penalty)) continue;
                    members.push_back(r);
                }
                if (members.empty()) continue;
                // Elasticity and scaling are the group's: the model takes them from the last
                // member, the substitutes follow one per line.
                const TSectorInteraction& last = *members.back();
                Add(TLine()
                        .Ind()
                        .I(e.Id())
                        .W(ValueIn(last, s_, TSectorInteraction::kSubstitutionElasticity))
                        .R(ValueIn(last, s_, TSectorInteraction::kSubstitutionLogitScaling))
                        .I(members.front()->InputSector()->Id())
                        .R(ValueIn(*members.front(), s_,
                                   TSectorInteraction::kSubstitutionPenalty)));
                for (std::size_t k = 1; k < members.size(); ++k)
                    Add(TLine(kGroupIndent)
                            .I(members[k]->InputSector()->Id())
                            .R(ValueIn(*members[k], s_, TSectorInteraction::kSubstitutionPenalty)));
                Add(TLine(kGroupIndent).Text("/"));
            }
            ReportProgress("L1E Section 2.3 ", i + 1, sectors.Count());
        }
        End();
    }

    void ExogenousAttractors() {
        lines_.push_back("3.0 ATRACTION VARIABLES AND PARAMETERS");
        lines_.push_back("   3.1 Atractors for Increments in Exogenous Variables");
        Add(TLine()
                .Ind()
                .T(8, "Sect")
                .T(8, "AttracSect")
                .T(10, "Lev1")
                .T(10, "Lev2")
                .T(10, "ProdFac")
                .T(10, "PriceFac")
                .T(10, "CapFac"));
        const TSectorList& sectors = p_.Sectors();
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            const TSector& e = *sectors.Get(i);
            for (const TSectorInteraction* r : SortedInteractions(e)) {
                // The second-level attractor decides whether the line is written, but its
                // column is always 0.
                if (F(*r, TSectorInteraction::kExogIncrementAtractor) == 0 &&
                    F(*r, TSectorInteraction::kExogIncrementAtractor2) == 0 &&
                    F(*r, TSectorInteraction::kExogProdFactor) == 0 &&
                    F(*r, TSectorInteraction::kExogPriceFactor) == 0 &&
                    F(*r, TSectorInteraction::kExogCapacityFactor) == 0)
                    continue;
                Add(TLine()
                        .Ind()
                        .I(FromId(*r, e))
                        .I(IdOf(r->InputSector()))
                        .R(ValueIn(*r, s_, TSectorInteraction::kExogIncrementAtractor))
                        .R(0.0)
                        .R(ValueIn(*r, s_, TSectorInteraction::kExogProdFactor))
                        .R(ValueIn(*r, s_, TSectorInteraction::kExogPriceFactor))
                        .R(ValueIn(*r, s_, TSectorInteraction::kExogCapacityFactor)));
            }
            ReportProgress("L1E Section 3.1 ", i + 1, sectors.Count());
        }
        End();
    }

    void InducedAttractors() {
        lines_.push_back("   3.2 Atractors for Induced Production");
        Add(TLine().Ind().T(8, "Sector").T(8, "Var").T(10, "Lev1").T(10, "Lev2"));
        const TSectorList& sectors = p_.Sectors();
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            const TSector& e = *sectors.Get(i);
            for (const TSectorInteraction* r : SortedInteractions(e)) {
                if (F(*r, TSectorInteraction::kInducedIncrementAtractor) == 0 &&
                    F(*r, TSectorInteraction::kInducedIncrementAtractor2) == 0)
                    continue;
                Add(TLine()
                        .Ind()
                        .I(FromId(*r, e))
                        .I(IdOf(r->InputSector()))
                        .R(ValueIn(*r, s_, TSectorInteraction::kInducedIncrementAtractor))
                        .R(0.0));
            }
            ReportProgress("L1E Section 3.2 ", i + 1, sectors.Count());
        }
        End();
    }

    const TProject& p_;
    const TScenario* s_;
    TLines lines_;
};

} // namespace

TLines BuildL1E(const TProject& project, const TScenario& scenario) {
    return TL1EBuilder(project, scenario).Build();
}

bool WriteL1E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildL1E(project, scenario);
    return SaveIfChanged(InputFileName(project, &scenario, "W_", true, "L1E"), lines);
}

} // namespace zep::modelio
