#include "modelio/F1E_File.h"

#include "model/CATEGORY.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::modelio {

using namespace model;

namespace {

// Section 3.1 takes the trips without mode, 3.2 those with one.
void AddExogenousTrips(TLines& lines, const TProject& project, const TScenario* s, bool withMode,
                       const std::string& progress) {
    const TTransportZoneList& zones = project.TransportZones();
    for (std::size_t z = 0; z < zones.Count(); ++z) {
        const TTransportZone& origin = *zones.Get(z);
        const TODPairList& pairs = origin.ODPairs();
        for (std::size_t i = 0; i < pairs.Count(); ++i) {
            const TODPair& pair = *pairs.Get(i);
            if (!pair.Destination()) continue;
            const TCategoryModeList& records = pair.CategoryModes();
            for (std::size_t k = 0; k < records.Count(); ++k) {
                const TCategoryMode& r = *records.Get(k);
                if (!r.Category() || (r.Mode() != nullptr) != withMode) continue;
                // Whether there are trips is decided on the study's present (base) value.
                if (BaseValue(r, {TCategoryMode::kTrips}, TValue()).ToDouble() == 0.0) continue;
                TLine line;
                line.Ind().I(r.Category()->Id()).I(origin.Id()).I(pair.Destination()->Id());
                if (withMode) line.I(r.Mode()->Id());
                line.R(ValueIn(r, s, TCategoryMode::kTrips))
                    .R(ValueIn(r, s, TCategoryMode::kTripFactor));
                lines.push_back(line.Str());
            }
        }
        ReportProgress(progress, z + 1, zones.Count());
    }
}

} // namespace

TLines BuildF1E(const TProject& project, const TScenario& scenario) {
    const TScenario* s = &scenario;
    const std::string progress = SectionProgressText("F1E", scenario.GetName(), "");
    TLines lines = TitleBlock("LAND USE - TRANSPORT INTERFACE - File F1E", project, s);

    lines.push_back("1.0  CATEGORY FORMATION FROM SOCIO-ECONOMIC SECTORS");
    lines.push_back(TLine()
                        .Ind()
                        .T(8, "Cat")
                        .T(8, "Sector")
                        .T(10, "Type")
                        .T(10, "TimeF")
                        .T(10, "VolumeF")
                        .T(10, "Cons>Pro")
                        .T(10, "Pro>Cons")
                        .Str());
    const TSectorList& sectors = project.Sectors();
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        const TSector& sector = *sectors.Get(i);
        const TSectorCategoryList& records = sector.SectorCategories();
        for (std::size_t k = 0; k < records.Count(); ++k) {
            const TSectorCategory& r = *records.Get(k);
            if (!r.Category()) continue;
            const double factors[] = {FloatIn(r, s, TSectorCategory::kTimeFactor),
                                      FloatIn(r, s, TSectorCategory::kVolumeFactor),
                                      FloatIn(r, s, TSectorCategory::kDemandProductionFlow),
                                      FloatIn(r, s, TSectorCategory::kProductionDemandFlow)};
            if (factors[0] == 0 && factors[1] == 0 && factors[2] == 0 && factors[3] == 0) continue;
            TLine line;
            line.Ind()
                .I(r.Category()->Id())
                .I(sector.Id())
                .R(ValueIn(r, s, TSectorCategory::kType));
            for (double f : factors)
                line.R(f);
            lines.push_back(line.Str());
        }
        ReportProgress(progress + "1.0 ", i + 1, sectors.Count());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("2.0  INTRAZONAL COST PARAMETERS (ONLY FOR PROGRAM DUVA)");
    lines.push_back(TLine()
                        .Ind()
                        .I("Zone")
                        .T(10, "First Level")
                        .Text("    ")
                        .T(10, "Second Level")
                        .Text(" /")
                        .Str());
    lines.push_back(TLine()
                        .Ind()
                        .I(0)
                        .R(project.GetValue(TProjectI::kZoneInternalCostFactor))
                        .Text(" /")
                        .Str());
    const TTransportZoneList& zones = project.TransportZones();
    for (std::size_t i = 0; i < zones.Count(); ++i) {
        const TTransportZone& zone = *zones.Get(i);
        if (zone.IsExternal()) continue;
        if (!HoldsBaseValue(zone, {TZone::kInternalCostFactor})) continue;
        TValue factor = BaseValue(zone, {TZone::kInternalCostFactor}, TValue());
        if (ValuesEqual(factor, zone.Specs().ById(TZone::kInternalCostFactor).Default())) continue;
        lines.push_back(TLine().Ind().I(zone.Id()).R(factor).Text(" /").Str());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("3.0  EXOGENOUS TRIPS");
    lines.push_back("     3.1 Exogenous trips by transport category");
    lines.push_back(
        TLine().Ind().T(8, "Cat").T(8, "Orig").T(8, "Dest").T(10, "Trips").T(10, "Factor").Str());
    AddExogenousTrips(lines, project, s, false, progress + "3.1");
    lines.push_back(SectionEndLine());

    lines.push_back("     3.2 Exogenous trips by transport category and mode");
    lines.push_back(TLine()
                        .Ind()
                        .T(8, "Cat")
                        .T(8, "Orig")
                        .T(8, "Dest")
                        .T(8, "Mode")
                        .T(10, "Trips")
                        .T(10, "Factor")
                        .Str());
    AddExogenousTrips(lines, project, s, true, progress + "3.2");
    lines.push_back(SectionEndLine());
    return lines;
}

bool WriteF1E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildF1E(project, scenario);
    return SaveIfChanged(InputFileName(project, &scenario, "W_", true, "F1E"), lines);
}

} // namespace zep::modelio
