#include "view/PthPaint.h"

#include <algorithm>
#include <cmath>

#include "model/LINK.h"
#include "model/Project.h"
#include "view/ViewSettings.h"

namespace zep::view {

using analysis::paths::TPath;

TPathPainter::TPathPainter(model::TProject& project, TNetViewOptions& options)
    : TColorPainter(project, options),
      paths_(std::make_unique<analysis::paths::TPathFileSet>(project, project.CurrentScenario())) {
    paths_->AddObserver([this](const TPath*, const TPath*) { PathChanged(); });
}

TPathPainter::~TPathPainter() = default;

std::unique_ptr<TColorMap> TPathPainter::CreateColorMap() {
    return std::make_unique<TPathRouteColorMap>(&project_.Routes());
}

int TPathPainter::Current(int which) const {
    switch (which) {
    case 0:
        return paths_->Origin();
    case 1:
        return paths_->Destination();
    case 2:
        return paths_->Mode();
    case 3:
        return paths_->PathIndex();
    default:
        return 0;
    }
}

void TPathPainter::SetCurrent(int which, int value) {
    switch (which) {
    case 0:
        paths_->SetOrigin(value);
        break;
    case 1:
        paths_->SetDestination(value);
        break;
    case 2:
        paths_->SetMode(value);
        break;
    case 3:
        paths_->SetPathIndex(value);
        break;
    default:
        break;
    }
}

void TPathPainter::SetShowReverse(bool show) {
    if (show == !dontShowReverse_) return;
    InvalidateRects(shownRects_);
    dontShowReverse_ = !show;
    shownRects_ = PathRects();
    InvalidateRects(shownRects_);
}

void TPathPainter::LoadSettings(const TViewSettings& settings) {
    TColorPainter::LoadSettings(settings);
    const std::string section = SectionName();
    dontShowReverse_ = settings.ReadBool(section, "DontShowReverse", false);
    paths_->Select(
        settings.ReadInteger(section, "Mode", 0), settings.ReadInteger(section, "Source", 0),
        settings.ReadInteger(section, "Path", 0), settings.ReadInteger(section, "Sink", 1));
}

void TPathPainter::SaveSettings(TViewSettings& settings) const {
    TColorPainter::SaveSettings(settings);
    const std::string section = SectionName();
    settings.WriteInteger(section, "Mode", paths_->Mode());
    settings.WriteInteger(section, "Source", paths_->Origin());
    settings.WriteInteger(section, "Sink", paths_->Destination());
    settings.WriteInteger(section, "Path", paths_->PathIndex());
    settings.WriteBool(section, "DontShowReverse", dontShowReverse_);
}

std::vector<TPixelRect> TPathPainter::PathRects() {
    std::vector<TPixelRect> rects;
    const TScaler& scaler = options_.Scaler();
    const int grow = int(std::lround(
        2 * (options_.nodeRadius * scaler.Zoom() * scaler.Resolution() + options_.linkSeparation)));
    auto add = [&](const TPath* path) {
        if (!path) return;
        for (const auto& step : path->steps) {
            const model::TLink* link = step.linkRoute ? step.linkRoute->Link() : nullptr;
            if (!link) continue;
            const TPixelRect r = TNetworkIndex::LinkPixelExtent(scaler, *link);
            rects.push_back({r.left - grow, r.top - grow, r.right + grow, r.bottom + grow});
        }
    };
    add(paths_->CurrentPath());
    if (!dontShowReverse_) add(paths_->ReversePath());
    return rects;
}

void TPathPainter::InvalidateRects(const std::vector<TPixelRect>& rects) const {
    if (!onInvalidate) return;
    for (const TPixelRect& r : rects)
        onInvalidate(r);
}

void TPathPainter::PathChanged() {
    // The old path's area before, the new one's after: both must be repainted.
    InvalidateRects(shownRects_);
    shownRects_ = PathRects();
    InvalidateRects(shownRects_);
}

void TPathPainter::Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) {
    ColorMap().ApplyDefaults();
    canvas_ = &canvas;
    clip_ = clip;
    scenario_ = scenario ? scenario : project_.CurrentScenario();
    const TPixelRect previous = canvas.Clip();
    canvas.SetClip(clip);
    ResetLinkReach();
    PaintLinks();
    TPath* current = paths_->CurrentPath();
    TPath* reverse = dontShowReverse_ ? nullptr : paths_->ReversePath();
    if (current) PaintPath(*current, false, kStartMark);
    if (reverse) PaintPath(*reverse, false, kBoardingMark);
    PaintNodes();
    if (current) PaintPath(*current, true, kStartMark);
    if (reverse) PaintPath(*reverse, true, kBoardingMark);
    canvas.SetClip(previous);
    canvas_ = nullptr;
    scenario_ = nullptr;
    ResetLinkReach();
}

void TPathPainter::PaintPath(const TPath& path, bool marks, TColor startMark) {
    const TScaler& scaler = options_.Scaler();
    const double side = scaler.CoordinateMode() == 0 ? -1 : 1;
    const int r = options_.NodeRadiusPixels() + 2;
    auto mark = [&](const model::TNode* node, TColor color) {
        const TPixel p = NodePixel(*node);
        const TPixelRect box{p.x - r, p.y - r, p.x + r + 1, p.y + r + 1};
        if (!box.Meets(clip_)) return;
        canvas_->SetPen({color, 2, TPenStyle::Solid, TPenMode::Copy});
        canvas_->SetBrush({0, true});
        canvas_->Ellipse(box);
    };
    const model::TRoute* previousRoute = nullptr;
    for (std::size_t i = 0; i < path.steps.size(); ++i) {
        const auto& step = path.steps[i];
        const model::TLink* link = step.linkRoute ? step.linkRoute->Link() : nullptr;
        const model::TRoute* route = step.linkRoute ? step.linkRoute->Route() : nullptr;
        const bool boarding = step.boarding || (i > 0 && route != previousRoute);
        previousRoute = route;
        if (!link) continue;
        const model::TNode* start = step.reversed ? link->Head() : link->Tail();
        if (marks) {
            if (i == 0)
                mark(start, startMark);
            else if (boarding)
                mark(start, kBoardingMark);
            continue;
        }
        const TPixelRect extent = TNetworkIndex::LinkPixelExtent(scaler, *link);
        const int width = linkWidth;
        const int reach = width + options_.linkSeparation + 1;
        if (!TPixelRect{extent.left - reach, extent.top - reach, extent.right + reach,
                        extent.bottom + reach}
                 .Meets(clip_))
            continue;
        const int c = std::min(kPaletteSize - 1, int(ColorMap().IndexOf(route)));
        canvas_->SetPen({PaletteColor(c), width, TPenStyle::Solid, TPenMode::Copy});
        TCentreLine line;
        CentreLine(*link, line);
        ShiftLine(line, side * (width / 2 + options_.linkSeparation), shifted_);
        DrawLinkSegments(shifted_);
    }
}

} // namespace zep::view
