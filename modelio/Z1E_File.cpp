#include "modelio/Z1E_File.h"

#include "model/Project.h"
#include "model/Zone.h"

namespace zep::modelio {

using namespace model;

namespace {

bool IsExternalZone(const TTransportZone* zone) {
    return dynamic_cast<const TExternalZone*>(zone) != nullptr;
}

// One macro zone's record: the line with the indent and the macro zone's id is emitted after
// its first sub-zone, later lines after every sub-zone with an even index (two per line, no
// indent); a pending rest is closed with "/". The model reads on until the "/".
void AddMacroZoneRecord(TLines& lines, const TMacroZone& macro) {
    TLine pending;
    pending.Ind().I(macro.Id());
    const TMicroZoneList& subZones = macro.SubZones();
    for (std::size_t i = 0; i < subZones.Count(); ++i) {
        const TMicroZone* sub = subZones.Get(i);
        pending.I(sub->Id()).N(sub->GetName());
        if (i % 2 == 0) {
            lines.push_back(pending.Str());
            pending = TLine();
        }
    }
    if (subZones.Count() == 0 || !pending.Empty()) lines.push_back(pending.Text("/").Str());
}

} // namespace

TLines BuildZ1E(const TProject& project) {
    TLines lines = TitleBlock("ZONE DEFINITION -- File Z1E", project, nullptr);
    const TTransportZoneList& zones = project.TransportZones();

    lines.push_back("1.0 FIRST LEVEL ZONES");
    lines.push_back(TLine().Ind().I("Zone").N("Name").Str());
    for (std::size_t i = 0; i < zones.Count(); ++i) {
        const TTransportZone* zone = zones.Get(i);
        if (!IsExternalZone(zone))
            lines.push_back(TLine().Ind().I(zone->Id()).N(zone->GetName()).Str());
        ReportProgress("Z1E Section 1.0 ", i + 1, zones.Count());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("2.0 SECOND LEVEL ZONES");
    TLine heading;
    heading.Ind().I("Zone");
    for (int i = 0; i < 3; ++i)
        heading.I("SubZone").N("Name");
    lines.push_back(heading.Text("->/").Str());
    const TMacroZoneList& macros = project.MacroZones();
    for (std::size_t i = 0; i < macros.Count(); ++i) {
        AddMacroZoneRecord(lines, *macros.Get(i));
        ReportProgress("Z1E Section 2.0 ", i + 1, macros.Count());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("3.0 EXTERNAL ZONEs");
    lines.push_back(TLine().Ind().I("Zone").N("Name").Str());
    for (std::size_t i = 0; i < zones.Count(); ++i) {
        const TTransportZone* zone = zones.Get(i);
        if (IsExternalZone(zone))
            lines.push_back(TLine().Ind().I(zone->Id()).N(zone->GetName()).Str());
        ReportProgress("Z1E Section 3.0 ", i + 1, zones.Count());
    }
    lines.push_back(SectionEndLine());
    return lines;
}

bool WriteZ1E(const TProject& project) {
    TLines lines = BuildZ1E(project);
    return SaveIfChanged(InputFileName(project, nullptr, "W_", true, "Z1E"), lines);
}

} // namespace zep::modelio
