#include "modelio/P0E_File.h"

#include <algorithm>
#include <vector>

#include "model/ADMIN.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::modelio {

using namespace model;

namespace {

std::int32_t IdOf(const TEntity* entity) {
    return entity ? entity->Id() : 0;
}

// The operator data of a link type in the list's own sorted order (by operator identifier),
// without touching the project's list.
std::vector<const TLinkTypeOper*> SortedOperatorData(const TLinkType& type) {
    const TLinkTypeOperList& list = type.OperatorDataList();
    std::vector<const TLinkTypeOper*> sorted;
    sorted.reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        sorted.push_back(list.Get(i));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const auto* a, const auto* b) { return list.Compare(a, b) < 0; });
    return sorted;
}

class TP0EBuilder {
public:
    TP0EBuilder(const TProject& project, const TScenario& scenario)
        : p_(project), s_(&scenario),
          progress_(SectionProgressText("P0E", scenario.GetName(), "")) {}

    TLines Build() {
        lines_ = TitleBlock("TRANSPORT PARAMETERS - File P0E", p_, s_);
        GlobalParameters();
        Modes();
        Operators();
        Routes();
        Administrators();
        LinkTypes();
        Categories();
        OperatingCosts();
        Tariffs();
        return std::move(lines_);
    }

private:
    void Add(const TLine& line) { lines_.push_back(line.Str()); }
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void End() { lines_.push_back(SectionEndLine()); }
    void Progress(const char* section, double fraction) {
        ReportProgress(progress_ + section, fraction);
    }
    TValue In(const TVersionedEntity& e, std::int32_t id) const { return ValueIn(e, s_, id); }

    void GlobalParameters() {
        Add("1.0 GLOBAL PARAMETERS");
        Add(TLine().Ind().Text("For VARDEN Internal Use"));
        Add(TLine().Ind().Text("60"));
        End();
        Progress("1 ", 0.2);
    }

    void Modes() {
        // The same heading stands above the modes, operators, routes, administrators and link
        // types as above the categories of section 3.
        Add("2.0 TRANSPORT DEMAND CATEGORIES");
        Add(TLine().Ind().Text("2.1 Transport Modes"));
        Add(TLine().Ind().T(8, "No.").L(15, "Name").T(10, "Paths").T(10, "Overlapp").T(10, "ASC"));
        const TModeList& modes = p_.Modes();
        for (std::size_t i = 0; i < modes.Count(); ++i) {
            const TMode& m = *modes.Get(i);
            Add(TLine()
                    .Ind()
                    .I(m.Id())
                    .N(m.GetName())
                    .R(In(m, TMode::kNofPaths))
                    .R(In(m, TMode::kPathOverlappingFactor))
                    .R(In(m, TMode::kAlternativeSpecificConstant))
                    .Text("/"));
        }
        End();
    }

    void Operators() {
        Add(TLine().Ind().Text(
            "2.2 Transport Operators (Type: 1=Free 2=Public 3=Routes 4=Walking)"));
        TLine heading;
        heading.Ind().T(8, "No").N("Name").I("Mode").I("Type");
        for (const char* h : {"OccRate", "Penaliz", "MinWait", "MaxWait", "PathASC"})
            heading.T(10, h);
        Add(heading);
        const TOperatorList& ops = p_.Operators();
        for (std::size_t i = 0; i < ops.Count(); ++i) {
            const TOperator& o = *ops.Get(i);
            Add(TLine()
                    .Ind()
                    .I(o.Id())
                    .N(o.GetName())
                    .I(IdOf(o.Mode()))
                    .I(o.Type())
                    .R(In(o, TOperator::kOccupancyRate))
                    .R(In(o, TOperator::kModalConstant))
                    .R(In(o, TOperator::kMinWaitingTime))
                    .R(In(o, TOperator::kMaxWaitingTime))
                    .R(In(o, TOperator::kPathAsc))
                    .Text(" /"));
        }
        End();
    }

    void Routes() {
        Add(TLine().Ind().Text("2.3 Public Transit Routes"));
        TLine heading;
        heading.Ind().I("No").N("Name").I("Oper");
        for (const char* h : {"MinFreq", "MaxFreq", "Tartet Occ", "MaxFleet", "Scheduled"})
            heading.T(10, h);
        Add(heading);
        const TRouteList& routes = p_.Routes();
        for (std::size_t i = 0; i < routes.Count(); ++i) {
            const TRoute& r = *routes.Get(i);
            if (r.Id() < 0 || !r.IsUsedIn(s_)) continue;
            Add(TLine()
                    .Ind()
                    .I(r.Id())
                    .N(r.GetName())
                    .I(IdOf(r.Operator()))
                    .R(In(r, TRoute::kMinFreq))
                    .R(In(r, TRoute::kMaxFreq))
                    .R(r.TargetOccupancyIn(s_))
                    .R(In(r, TRoute::kMaxFleet))
                    .R(In(r, TRoute::kScheduled).ToBool() ? 1.0 : 0.0)
                    .Text("/"));
        }
        End();
    }

    void Administrators() {
        Add(TLine().Ind().Text("2.4 Administrators"));
        Add(TLine().Ind().I("No").N("Name"));
        const TAdministratorList& admins = p_.Administrators();
        for (std::size_t i = 0; i < admins.Count(); ++i)
            Add(TLine().Ind().I(admins.Get(i)->Id()).N(admins.Get(i)->GetName()));
        End();
    }

    void LinkTypes() {
        Add(TLine().Ind().Text("2.5 Link Types"));
        Add(TLine().Ind().I("No").N("Name").I("Admin").T(10, "MinMaintCost"));
        const TLinkTypeList& types = p_.LinkTypes();
        for (std::size_t i = 0; i < types.Count(); ++i) {
            const TLinkType& t = *types.Get(i);
            Add(TLine()
                    .Ind()
                    .I(t.Id())
                    .N(t.GetName())
                    .I(IdOf(t.AdminIn(s_)))
                    .R(In(t, TLinkType::kMinMaintenanceCost)));
        }
        End();
        Progress("2 ", 0.4);
    }

    void Categories() {
        Add("3.0 TRANSPORT DEMAND CATEGORIES");
        Add(TLine()
                .Ind()
                .I("No")
                .N("Name")
                .T(10, "VofTrTime")
                .T(10, "VofWtTime")
                .I("Available Modes .../"));
        const TCategoryList& cats = p_.Categories();
        for (std::size_t i = 0; i < cats.Count(); ++i) {
            const TCategory& c = *cats.Get(i);
            TLine line;
            line.Ind()
                .I(c.Id())
                .N(c.GetName())
                .R(In(c, TCategory::kValueOfTravelTime))
                .R(In(c, TCategory::kValueOfWaitingTime));
            const TModeList& modes = c.AvailableModes();
            for (std::size_t k = 0; k < modes.Count(); ++k)
                line.I(modes.Get(k)->Id());
            Add(line.Text("/"));
        }
        End();
        Progress("3 ", 0.6);
    }

    void OperatingCosts() {
        Add("4.0 COSTS AND OPERATING CONDITIONS");
        Add(TLine().Ind().Text("4.1 Energy and other operating costs per vehicle"));
        TLine heading;
        heading.Ind().I("Oper");
        for (const char* h : {"MinCons", "MaxCons", "Slope", "EnerCost", "CtOpCost", "TimeOpCost"})
            heading.T(10, h);
        Add(heading);
        const TOperatorList& ops = p_.Operators();
        for (std::size_t i = 0; i < ops.Count(); ++i) {
            const TOperator& o = *ops.Get(i);
            Add(TLine()
                    .Ind()
                    .I(o.Id())
                    .R(In(o, TOperator::kMinEnergy))
                    .R(In(o, TOperator::kMaxEnergy))
                    .R(In(o, TOperator::kEnergySlope))
                    .R(In(o, TOperator::kEnergyCost))
                    .R(In(o, TOperator::kConstantCost))
                    .R(In(o, TOperator::kTimeCost)));
        }
        End();

        Add(TLine().Ind().Text("4.2 Operating costs and conditions by link type"));
        heading = TLine();
        heading.Ind().I("Type").I("Oper");
        for (const char* h : {"Speed", "EqVeh", "DistCost", "Toll", "Maint", "Penal"})
            heading.T(10, h);
        Add(heading);
        const TLinkTypeList& types = p_.LinkTypes();
        for (std::size_t i = 0; i < types.Count(); ++i) {
            const TLinkType& t = *types.Get(i);
            for (const TLinkTypeOper* d : SortedOperatorData(t)) {
                if (d->FreeFlowSpeedIn(s_) == 0.0) continue;
                Add(TLine()
                        .Ind()
                        .I(t.Id())
                        .I(IdOf(d->Operator()))
                        .R(In(*d, TLinkTypeOper::kFreeFlowSpeed))
                        .R(In(*d, TLinkTypeOper::kEquivalentVehicles))
                        .R(In(*d, TLinkTypeOper::kDistanceCost))
                        .R(In(*d, TLinkTypeOper::kCharges))
                        .R(In(*d, TLinkTypeOper::kAdditionalMaintenanceCost))
                        .R(In(*d, TLinkTypeOper::kPenalization)));
            }
        }
        End();

        Add(TLine().Ind().Text("4.3 Path overlap factor by Link-Type & Operator"));
        Add(TLine().Ind().I("Type").I("Oper").T(10, "Overlap"));
        for (std::size_t i = 0; i < types.Count(); ++i) {
            const TLinkType& t = *types.Get(i);
            for (const TLinkTypeOper* d : SortedOperatorData(t)) {
                // An operator that cannot use the type has no overlap factor on it either.
                if (d->FreeFlowSpeedIn(s_) == 0.0) continue;
                // The record's own factor; 0 means "the mode's", which the model knows already.
                double own = FloatIn(*d, s_, TLinkTypeOper::kPathOverlappingFactor);
                const TMode* mode = d->Operator() ? d->Operator()->Mode() : nullptr;
                double modeFactor = mode ? FloatIn(*mode, s_, TMode::kPathOverlappingFactor) : 0.0;
                if (own == 0.0 || own == modeFactor) continue;
                Add(TLine().Ind().I(t.Id()).I(IdOf(d->Operator())).R(own));
            }
        }
        End();
        Progress("4 ", 0.8);
    }

    void Tariffs() {
        Add("5.0 USER TARIFFS");
        Add(TLine().Ind().Text("5.1 Linear tariffs by operator"));
        Add(TLine()
                .Ind()
                .I("Oper")
                .L(10, "MinTarf")
                .T(10, "TimeTarf")
                .T(10, "DistTarf.")
                .T(10, "OperCost"));
        const TOperatorList& ops = p_.Operators();
        for (std::size_t i = 0; i < ops.Count(); ++i) {
            const TOperator& o = *ops.Get(i);
            TValue values[] = {In(o, TOperator::kBoardingTariff), In(o, TOperator::kTimeTariff),
                               In(o, TOperator::kDistanceTariff), In(o, TOperator::kPctCostToUser)};
            if (std::all_of(std::begin(values), std::end(values),
                            [](const TValue& v) { return v.ToDouble() == 0.0; }))
                continue;
            TLine line;
            line.Ind().I(o.Id());
            for (const TValue& v : values)
                line.R(v);
            Add(line);
        }
        End();

        Add(TLine().Ind().Text("5.2 Integrated tarifs between operators (-1 if no transfers)"));
        Add(TLine().Ind().I("FromOper").I("ToOper").L(10, "Tarif"));
        for (std::size_t f = 0; f < ops.Count(); ++f) {
            const TOperator& from = *ops.Get(f);
            for (std::size_t t = 0; t < ops.Count(); ++t) {
                const TOperator& to = *ops.Get(t);
                double boarding = FloatIn(to, s_, TOperator::kBoardingTariff);
                double tariff = boarding;
                if (const TTransfer* transfer = from.TransferTo(&to))
                    if (TVersionedProperty cost = transfer->Resolve(s_, TTransfer::kTransferCost);
                        cost && !cost.Value().IsEmpty())
                        tariff = cost.Value().ToDouble();
                if (tariff == boarding) continue;
                Add(TLine().Ind().I(from.Id()).I(to.Id()).R(tariff));
            }
        }
        End();

        Add(TLine().Ind().Text("5.3 Tariff Factors by Category/Operator"));
        Add(TLine().Ind().I("Cat").I("Oper").T(10, "Penal F.").T(10, "Tariff F.").T(10, "ASC"));
        for (std::size_t i = 0; i < ops.Count(); ++i) {
            const TOperator& o = *ops.Get(i);
            const TOperatorCategoryList& records = o.OperatorCategories();
            for (std::size_t k = 0; k < records.Count(); ++k) {
                const TOperatorCategory& r = *records.Get(k);
                Add(TLine()
                        .Ind()
                        .I(IdOf(r.Category()))
                        .I(o.Id())
                        .R(In(r, TOperatorCategory::kPenalty))
                        .R(In(r, TOperatorCategory::kTariff))
                        .R(In(r, TOperatorCategory::kAsc))
                        .Text(" /"));
            }
        }
        End();
        Progress("5 ", 1.0);
    }

    const TProject& p_;
    const TScenario* s_;
    std::string progress_;
    TLines lines_;
};

} // namespace

TLines BuildP0E(const TProject& project, const TScenario& scenario) {
    return TP0EBuilder(project, scenario).Build();
}

bool WriteP0E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildP0E(project, scenario);
    return SaveIfChanged(InputFileName(project, &scenario, "W_", true, "P0E"), lines);
}

} // namespace zep::modelio
