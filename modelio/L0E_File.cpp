#include "modelio/L0E_File.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "model/Project.h"
#include "model/SECTOR.h"
#include "modelio/SectorZoneValues.h"

namespace zep::modelio {

using namespace model;
namespace sz = sectorzone;

namespace {

double D(const TValue& v) {
    return v.ToDouble();
}

// The base values of one record.
struct TBaseData {
    explicit TBaseData(const TSectorZone& r)
        : exogProd(sz::Base(r, {sz::kExogProdAll, sz::kExogProd})),
          inducedProd(sz::Base(r, {sz::kBaseInducedProd})),
          exogDemand(sz::Base(r, {sz::kExogDemand})), price(sz::Base(r, {sz::kBasePrice})),
          valueAdded(sz::Base(r, {sz::kValueAdded})),
          atrain(sz::Base(r, {sz::kAtrainAll, sz::kAtrain})), minProd(sz::Base(r, {sz::kMinProd})),
          maxProd(sz::Base(r, {sz::kMaxProd})) {}
    TValue exogProd, inducedProd, exogDemand, price, valueAdded, atrain, minProd, maxProd;
};

} // namespace

TLines BuildL0E(const TProject& project) {
    TLines lines = TitleBlock("LOCALIZATION DATA - File L0E", project, nullptr);
    const TSectorList& sectors = project.Sectors();
    const TTransportZoneList& zones = project.TransportZones();
    auto end = [&] { lines.push_back(SectionEndLine()); };
    auto heading = [](std::initializer_list<const char*> values) {
        TLine line;
        line.Ind().T(8, "Sector").T(8, "Zone");
        for (const char* v : values)
            line.T(10, v);
        return line.Str();
    };

    lines.push_back("1. Base Year Data for Calibration");
    lines.push_back("   1.1 Observed Data per Internal Zone");
    lines.push_back(
        heading({"ExogProd", "InducedProd", "ExogDemand", "Price", "ValueAdded", "Attractor"}));
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        const TSector& e = *sectors.Get(i);
        // Zone order is the project's, whatever the order of the sector's records.
        std::unordered_map<const TZone*, const TSectorZone*> byZone;
        const TSectorZoneList& records = e.SectorZones();
        for (std::size_t k = records.Count(); k-- > 0;)
            if (records.Get(k)->Zone()) byZone[records.Get(k)->Zone()] = records.Get(k);
        for (std::size_t z = 0; z < zones.Count(); ++z) {
            const TTransportZone* zone = zones.Get(z);
            auto it = byZone.find(zone);
            if (it == byZone.end() || !sz::IsInternal(zone)) continue;
            TBaseData d(*it->second);
            if (D(d.exogProd) == 0 && D(d.inducedProd) == 0 && D(d.exogDemand) == 0 &&
                D(d.price) == 0 && D(d.valueAdded) == 0 && D(d.atrain) == 0)
                continue;
            lines.push_back(TLine()
                                .Ind()
                                .I(e.Id())
                                .I(zone->Id())
                                .R(d.exogProd)
                                .R(d.inducedProd)
                                .R(d.exogDemand)
                                .R(d.price)
                                .R(d.valueAdded)
                                .R(d.atrain)
                                .Str());
        }
        ReportProgress("L0E Section 1.0 ", i + 1, sectors.Count());
    }
    end();

    lines.push_back("2. RELATIONSHIPS WITH EXTERNAL ZONES");
    lines.push_back("   2.1 Exports");
    lines.push_back(heading({"Exports"}));
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        const TSector& e = *sectors.Get(i);
        const TSectorZoneList& records = e.SectorZones();
        for (std::size_t k = 0; k < records.Count(); ++k) {
            const TSectorZone& r = *records.Get(k);
            if (!sz::IsExternal(r.Zone())) continue;
            TValue exports = sz::Base(r, {sz::kExogDemand});
            if (D(exports) == 0) continue;
            lines.push_back(TLine().Ind().I(e.Id()).I(r.Zone()->Id()).R(exports).Str());
        }
        ReportProgress("L0E Section 2.1 ", i + 1, sectors.Count());
    }
    end();

    lines.push_back("   2.2 Imports");
    lines.push_back(heading({"Min Imp.", "Max Imp.", "Price", "Attractor"}));
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        const TSector& e = *sectors.Get(i);
        const TSectorZoneList& records = e.SectorZones();
        for (std::size_t k = 0; k < records.Count(); ++k) {
            const TSectorZone& r = *records.Get(k);
            if (!sz::IsExternal(r.Zone())) continue;
            TBaseData d(r);
            double maxImports = D(d.maxProd);
            if (D(d.minProd) == 0 && (maxImports == 0 || std::isinf(maxImports)) &&
                D(d.price) == 0 && D(d.atrain) == 0)
                continue;
            lines.push_back(TLine()
                                .Ind()
                                .I(e.Id())
                                .I(r.Zone()->Id())
                                .R(d.minProd)
                                .R(d.maxProd)
                                .R(d.price)
                                .R(d.atrain)
                                .Str());
        }
        ReportProgress("L0E Section 2.2 ", i + 1, sectors.Count());
    }
    end();

    lines.push_back("3. RESTRICTIONS TO PRODUCTION");
    lines.push_back(heading({"Min", "Max"}));
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        const TSector& e = *sectors.Get(i);
        const TSectorZoneList& list = e.SectorZones();
        std::vector<const TSectorZone*> records;
        for (std::size_t k = 0; k < list.Count(); ++k)
            records.push_back(list.Get(k));
        std::stable_sort(records.begin(), records.end(),
                         [&](const auto* a, const auto* b) { return list.Compare(a, b) < 0; });
        for (const TSectorZone* r : records) {
            if (!sz::IsInternal(r->Zone())) continue;
            if (!HoldsBaseValue(*r, {sz::kMinProd}) && !HoldsBaseValue(*r, {sz::kMaxProd}))
                continue;
            TValue minProd = sz::Base(*r, {sz::kMinProd});
            TValue maxProd = sz::Base(*r, {sz::kMaxProd});
            if (D(minProd) == 0 && D(maxProd) == sz::kInfinity) continue;
            lines.push_back(TLine().Ind().I(e.Id()).I(r->Zone()->Id()).R(minProd).R(maxProd).Str());
        }
        ReportProgress("L0E Section 3.0 ", i + 1, sectors.Count());
    }
    end();
    return lines;
}

bool WriteL0E(const TProject& project) {
    TLines lines = BuildL0E(project);
    return SaveIfChanged(InputFileName(project, nullptr, "W_", true, "L0E"), lines);
}

} // namespace zep::modelio
