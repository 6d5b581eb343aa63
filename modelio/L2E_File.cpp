#include "modelio/L2E_File.h"

#include <cmath>

#include "model/Project.h"
#include "model/SECTOR.h"
#include "modelio/SectorZoneValues.h"

namespace zep::modelio {

using namespace model;
namespace sz = sectorzone;

namespace {

class TL2EBuilder {
public:
    TL2EBuilder(const TProject& project, const TScenario& scenario)
        : p_(project), s_(&scenario),
          progress_(SectionProgressText("L2E", scenario.GetName(), "")) {}

    TLines Build() {
        lines_ = TitleBlock("LOCALIZATION DATA - File L2E", p_, s_);
        lines_.push_back("1.0 INCREMENTS IN EXOGENOUS VARIABLES");
        GlobalIncrements();
        PerInternalZone("   1.2 Increments in Exogenous Production per Internal Zone",
                        sz::kExogProd, "1.2 ", true);
        // The model reads these data lines from their first column: no indent.
        PerInternalZone("   1.3 Increments in Exogenous Demand per Internal Zone", sz::kExogDemand,
                        "1.3 ", false);
        lines_.push_back("2.0 INCREMENTS IN IMPORTS AND EXPORTS");
        Exports();
        Imports();
        lines_.push_back("3.0 INCREMENTS IN ENDOGENOUS VARIABLES");
        Attractors();
        Restrictions();
        ValueAdded();
        return std::move(lines_);
    }

private:
    double F(const TSectorZone& r, std::int32_t id) const { return sz::FloatIn(r, s_, id); }
    TValue V(const TSectorZone& r, std::int32_t id) const { return sz::In(r, s_, id); }
    void Add(const TLine& line) { lines_.push_back(line.Str()); }
    void End() { lines_.push_back(SectionEndLine()); }
    void Progress(const char* section, std::size_t done) {
        ReportProgress(progress_ + section, done, p_.Sectors().Count());
    }
    TLine SectorZoneHeading(const char* valueHeading) const {
        TLine line;
        line.Ind().T(8, "Sector").T(8, "Zone").T(10, valueHeading);
        return line;
    }

    // Calls `each(sector, record)` for every record of every sector, reporting progress per
    // sector under `section`.
    template <class F> void ForEachRecord(const char* section, F each) {
        const TSectorList& sectors = p_.Sectors();
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            const TSector& e = *sectors.Get(i);
            const TSectorZoneList& records = e.SectorZones();
            for (std::size_t k = 0; k < records.Count(); ++k)
                each(e, *records.Get(k));
            Progress(section, i + 1);
        }
    }

    void GlobalIncrements() {
        lines_.push_back("    1.1 Global Increments");
        Add(TLine()
                .Ind()
                .T(8, "Sector")
                .T(10, "Production")
                .T(10, "Demand")
                .T(10, "MinRest")
                .T(10, "MaxRest"));
        // Reported under 1.2, as the model's own tools do.
        ForEachRecord("1.2 ", [&](const TSector& e, const TSectorZone& r) {
            if (r.Zone()) return;
            if (F(r, sz::kExogProd) == 0 && F(r, sz::kExogDemand) == 0 &&
                !sz::HoldsIn(r, s_, sz::kMinProd) && !sz::HoldsIn(r, s_, sz::kMaxProd))
                return;
            Add(TLine()
                    .Ind()
                    .I(e.Id())
                    .R(V(r, sz::kExogProd))
                    .R(V(r, sz::kExogDemand))
                    .R(V(r, sz::kMinProd))
                    .R(V(r, sz::kMaxProd)));
        });
        End();
    }

    void PerInternalZone(const char* title, std::int32_t id, const char* section, bool indent) {
        lines_.push_back(title);
        Add(SectorZoneHeading("Increment"));
        ForEachRecord(section, [&](const TSector& e, const TSectorZone& r) {
            if (!sz::IsInternal(r.Zone()) || F(r, id) == 0) return;
            TLine line;
            if (indent) line.Ind();
            Add(line.I(e.Id()).I(r.Zone()->Id()).R(V(r, id)));
        });
        End();
    }

    void Exports() {
        lines_.push_back("   2.1 Increments in Exports by External Zone");
        Add(SectorZoneHeading("Increment"));
        ForEachRecord("2.1 ", [&](const TSector& e, const TSectorZone& r) {
            if (!sz::IsExternal(r.Zone()) || F(r, sz::kExogDemand) == 0) return;
            Add(TLine().Ind().I(e.Id()).I(r.Zone()->Id()).R(V(r, sz::kExogDemand)));
        });
        End();
    }

    void Imports() {
        lines_.push_back("   2.2 Increments in Imports by External Zone");
        Add(SectorZoneHeading("Min Incr.").T(10, "Max Incr.").T(10, "Attractor"));
        ForEachRecord("2.2 ", [&](const TSector& e, const TSectorZone& r) {
            if (!sz::IsExternal(r.Zone())) return;
            double maxImports = F(r, sz::kMaxProd);
            if (F(r, sz::kMinProd) == 0 && (maxImports == 0 || std::isinf(maxImports)) &&
                F(r, sz::kBasePrice) == 0 && F(r, sz::kAtrain) == 0)
                return;
            Add(TLine()
                    .Ind()
                    .I(e.Id())
                    .I(r.Zone()->Id())
                    .R(V(r, sz::kMinProd))
                    .R(V(r, sz::kMaxProd))
                    .R(V(r, sz::kAtrain)));
        });
        End();
    }

    void Attractors() {
        lines_.push_back("   3.1 Increments in Location Atractors by Sector and Zone (Zone=0 means "
                         "'All Zones')");
        Add(SectorZoneHeading("Attractor"));
        ForEachRecord("3.1 ", [&](const TSector& e, const TSectorZone& r) {
            if (F(r, sz::kAtrain) == 0) return;
            Add(TLine().Ind().I(e.Id()).I(r.Zone() ? r.Zone()->Id() : 0).R(V(r, sz::kAtrain)));
        });
        End();
    }

    void Restrictions() {
        lines_.push_back("    3.2 Increments in Production Restriction per Sector-Zone");
        Add(SectorZoneHeading("MinRest").T(10, "MaxRest"));
        // Reported under 3.1, as the model's own tools do.
        ForEachRecord("3.1 ", [&](const TSector& e, const TSectorZone& r) {
            if (!sz::IsInternal(r.Zone())) return;
            // As in L0E and in 1.1: only a record that sets a bound says anything; an unset
            // maximum reads as unbounded and would list every record as "0 -1".
            if (!sz::HoldsIn(r, s_, sz::kMinProd) && !sz::HoldsIn(r, s_, sz::kMaxProd)) return;
            if (F(r, sz::kMinProd) == 0 && F(r, sz::kMaxProd) == 0) return;
            Add(TLine()
                    .Ind()
                    .I(e.Id())
                    .I(r.Zone()->Id())
                    .R(V(r, sz::kMinProd))
                    .R(V(r, sz::kMaxProd)));
        });
        End();
    }

    void ValueAdded() {
        lines_.push_back("   3.3 Increments in Value Added by Sector-Zone");
        lines_.push_back(std::string(35, ' ') + "(Zone=0 means All Zones)");
        Add(SectorZoneHeading("ValueAdded"));
        ForEachRecord("3.3 ", [&](const TSector& e, const TSectorZone& r) {
            if (F(r, sz::kValueAdded) == 0) return;
            Add(TLine().Ind().I(e.Id()).I(r.Zone() ? r.Zone()->Id() : 0).R(V(r, sz::kValueAdded)));
        });
        End();
    }

    const TProject& p_;
    const TScenario* s_;
    std::string progress_;
    TLines lines_;
};

} // namespace

TLines BuildL2E(const TProject& project, const TScenario& scenario) {
    return TL2EBuilder(project, scenario).Build();
}

bool WriteL2E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildL2E(project, scenario);
    return SaveIfChanged(InputFileName(project, &scenario, "W_", true, "L2E"), lines);
}

} // namespace zep::modelio
