#include "view/NetViewOptions.h"

#include <algorithm>
#include <cmath>

#include "foundation/Format.h"
#include "model/ADMIN.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Project.h"
#include "view/ViewSettings.h"

namespace zep::view {

using model::TLink;

int LinkServiceLevel(const TLink& link, const model::TScenario* scenario) {
    const model::TValue speed = link.GetValueIn(scenario, TLink::kSpeed);
    if (speed.IsEmpty()) return -1;
    const model::TLinkType* type = link.LinkTypeIn(scenario);
    const double reference = type ? type->MaxFreeFlowSpeed(scenario) : 0;
    const double v = speed.ToDouble();
    if (!(reference > 0) || !std::isfinite(v)) return -1;
    const double ratio = v / reference;
    static constexpr double kLowest[7] = {0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3};
    for (int level = 0; level < 7; ++level)
        if (ratio >= kLowest[level]) return level;
    return 7;
}

void TNetViewOptions::Load(const TViewSettings& s) {
    const std::string_view sec = kSection;
    nodeRadius = s.ReadDouble(sec, "NodeRadius", nodeRadius);
    if (!(nodeRadius >= 0) || !std::isfinite(nodeRadius)) nodeRadius = 0.02;
    labelWhat =
        static_cast<std::uint8_t>(std::clamp(s.ReadInteger(sec, "LabelWhat", labelWhat), 0, 3));
    labelWith =
        static_cast<std::uint8_t>(std::clamp(s.ReadInteger(sec, "LabelWith", labelWith), 0, 2));
    linkLabelIndex = s.ReadInteger(sec, "LinkLabelIndex", linkLabelIndex);
    if (linkLabelIndex < -1 || linkLabelIndex >= int(kLinkLabelAttributes.size()))
        linkLabelIndex = -1;
    nodeFont.name = s.ReadString(sec, "Node.Font.Name", nodeFont.name);
    nodeFont.size = std::max(1, s.ReadInteger(sec, "Node.Font.Size", nodeFont.size));
    linkFont.name = s.ReadString(sec, "Link.Font.Name", linkFont.name);
    linkFont.size = std::max(1, s.ReadInteger(sec, "Link.Font.Size", linkFont.size));
    linkSeparation = std::clamp(s.ReadInteger(sec, "LinkSeparation", linkSeparation), 1, 16);
    showNonStops = s.ReadBool(sec, "ShowNonStops", showNonStops);
    hideGrayedLinks = s.ReadBool(sec, "HideGrayedLinks", hideGrayedLinks);
    const double scale = s.ReadDouble(sec, "Scale", scaler_.Zoom());
    if (scale > 0) scaler_.SetZoom(scale);
}

void TNetViewOptions::Save(TViewSettings& s) const {
    const std::string_view sec = kSection;
    s.WriteDouble(sec, "NodeRadius", nodeRadius);
    s.WriteInteger(sec, "LabelWhat", labelWhat);
    s.WriteInteger(sec, "LabelWith", labelWith);
    s.WriteInteger(sec, "LinkLabelIndex", linkLabelIndex);
    s.WriteString(sec, "Node.Font.Name", nodeFont.name);
    s.WriteInteger(sec, "Node.Font.Size", nodeFont.size);
    s.WriteString(sec, "Link.Font.Name", linkFont.name);
    s.WriteInteger(sec, "Link.Font.Size", linkFont.size);
    s.WriteInteger(sec, "LinkSeparation", linkSeparation);
    s.WriteBool(sec, "ShowNonStops", showNonStops);
    s.WriteBool(sec, "HideGrayedLinks", hideGrayedLinks);
    s.WriteDouble(sec, "Scale", scaler_.Zoom());
}

int TNetViewOptions::RadiusPixels(double normalisedRadius) const {
    const double v = std::log(1 + normalisedRadius * scaler_.Zoom() * scaler_.Resolution());
    return std::isfinite(v) ? static_cast<int>(std::lround(v)) : 0;
}

void TNetViewOptions::SetNodeRadiusFromPixels(int pixels) {
    const double linear = std::round(std::exp(double(pixels)) - 1);
    nodeRadius = linear / (scaler_.Resolution() * scaler_.Zoom());
}

std::string TNetViewOptions::LinkLabelText(const TLink& link, const model::TProject& project,
                                           const model::TScenario* s) const {
    std::string text;
    switch (linkLabelIndex) {
    case 1:
        text = std::to_string(link.Id());
        break;
    case 2:
        text = link.GetStringIn(s, TLink::kCapacity);
        break;
    case 3:
        text = link.GetStringIn(s, TLink::kDelay);
        break;
    case 4:
        text = link.GetStringIn(s, TLink::kLinkDesc);
        break;
    case 5:
        text = Format("%0.0f", {link.TotalEquivalentVehicles(s)});
        break;
    case 6:
        text = link.GetStringIn(s, TLink::kLength);
        break;
    case 7:
        text = link.GetStringIn(s, TLink::kLinkName);
        break;
    case 8: {
        const int level = LinkServiceLevel(link, s);
        const auto& levels = project.ServiceLevels();
        if (level >= 0 && std::size_t(level) < levels.Count())
            text = levels.Get(std::size_t(level))->GetName();
        break;
    }
    case 9:
        if (project.AssignmentResults()) {
            text = link.GetStringIn(s, TLink::kSpeed);
        } else if (const model::TLinkType* type = link.LinkTypeIn(s)) {
            text = Format("%0.0f", {type->MaxFreeFlowSpeed(s)});
        }
        break;
    case 10:
        text = Format("%0.0f", {link.TotalVehicles(s)});
        break;
    default:
        break;
    }
    return Trim(text);
}

} // namespace zep::view
