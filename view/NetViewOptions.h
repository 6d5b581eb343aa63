// What the network window's view options hold: node size, labels, link separation, fonts,
// non-stops, grayed links and the scaler, with their keys and defaults; the link label
// attributes and texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "view/Canvas.h"
#include "view/Scaler.h"

namespace zep::model {
class TLink;
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::view {

class TViewSettings;

/// One entry of the link label table.
struct TLinkLabelAttribute {
    const char* caption;
    bool results; ///< offered only when the project holds assignment results
};

/// Indexes 0..10 of "LinkLabelIndex" (0 shows nothing).
inline constexpr std::array<TLinkLabelAttribute, 11> kLinkLabelAttributes = {{
    {"(none)", false},
    {"Id", false},
    {"Capacity", false},
    {"Delay", false},
    {"Description", false},
    {"Equivalent Vehicles", true},
    {"Length", false},
    {"Name", false},
    {"Service Level", true},
    {"Speed", false},
    {"Total Vehicles", true},
}};

/// The service level (0 for A .. 7 for H) of a link in a scenario from its assigned "speed"
/// over the largest free-flow speed of its type: A from 90 % up, each level 10 % lower, H below
/// 30 %. -1 when the link has no speed or its type no free-flow speed.
int LinkServiceLevel(const model::TLink& link, const model::TScenario* scenario);

class TNetViewOptions {
public:
    static constexpr const char* kSection = "NetViewOptions";

    double nodeRadius = 0.02;   ///< normalised units
    std::uint8_t labelWhat = 0; ///< 0 none, 1 zones, 2 selected nodes, 3 all nodes
    std::uint8_t labelWith = 0; ///< 0 numbers, 1 names, 2 both
    std::int32_t linkLabelIndex = -1;
    TFont nodeFont;
    TFont linkFont;
    std::int32_t linkSeparation = 1; ///< pixels, 1..16
    bool showNonStops = true;
    bool hideGrayedLinks = false;

    TScaler& Scaler() { return scaler_; }
    const TScaler& Scaler() const { return scaler_; }

    /// Missing or unreadable values keep their defaults; out-of-range ones are brought into
    /// range.
    void Load(const TViewSettings& settings);
    void Save(TViewSettings& settings) const;

    /// round(ln(1 + NodeRadius x zoom x resolution)).
    int NodeRadiusPixels() const { return RadiusPixels(nodeRadius); }
    /// The same for any normalised radius (zones use four times the node radius).
    int RadiusPixels(double normalisedRadius) const;
    /// Sets the node radius so that it shows as about `pixels` (the inverse of NodeRadiusPixels).
    void SetNodeRadiusFromPixels(int pixels);

    /// The trimmed label text of the link for LinkLabelIndex ("" for none).
    std::string LinkLabelText(const model::TLink& link, const model::TProject& project,
                              const model::TScenario* scenario) const;

private:
    TScaler scaler_;
};

} // namespace zep::view
