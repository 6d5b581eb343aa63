#include "view/Painter.h"

#include <algorithm>
#include <cmath>

#include "foundation/Format.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/Zone.h"
#include "view/ViewSettings.h"

namespace zep::view {

using model::TLink;
using model::TNode;

namespace {

constexpr TColor kPolylinePointOutline = 0x808080;
constexpr TColor kPolylinePointFill = 0xC0C0C0;
constexpr TColor kNodeFill = 0x808080;
constexpr TColor kExternalZoneFill = 0x0000FF;
constexpr TColor kZoneFill = 0x800000;
// Node labels may reach this far right of their node and still be painted.
constexpr int kNodeLabelReach = 1024;

int PositiveMod(int v, int m) {
    const int r = v % m;
    return r < 0 ? r + m : r;
}

} // namespace

void TLineShifter::Prepare(const TCentreLine& line) {
    points_.clear();
    shifts_.clear();
    if (line.size() == 2) {
        // Most links are one straight piece: both ends move along its one normal, as below.
        const TPixelF a = line[0], b = line[1];
        const double dx = b.x - a.x, dy = b.y - a.y;
        if (std::abs(dx) + std::abs(dy) > 1e-9) {
            const double len = std::hypot(dx, dy);
            const TPixelF n{-dy / len, dx / len};
            points_.assign({a, b});
            shifts_.assign({n, n});
            return;
        }
    }
    for (const TPixelF& p : line)
        if (points_.empty() ||
            std::abs(p.x - points_.back().x) + std::abs(p.y - points_.back().y) > 1e-9)
            points_.push_back(p);
    if (points_.size() == 1) {
        shifts_.push_back({0, 0}); // a point stays where it is
        return;
    }
    // The right-hand normal of each piece on screen (y grows downwards).
    normals_.clear();
    for (std::size_t i = 0; i + 1 < points_.size(); ++i) {
        const double dx = points_[i + 1].x - points_[i].x, dy = points_[i + 1].y - points_[i].y;
        const double len = std::hypot(dx, dy);
        normals_.push_back({-dy / len, dx / len});
    }
    for (std::size_t i = 0; i < points_.size(); ++i) {
        TPixelF n;
        if (i == 0) {
            n = normals_.front();
        } else if (i + 1 == points_.size()) {
            n = normals_.back();
        } else {
            const TPixelF a = normals_[i - 1], b = normals_[i];
            TPixelF m{a.x + b.x, a.y + b.y};
            const double len = std::hypot(m.x, m.y);
            if (len < 1e-9) {
                n = a; // the course turns straight back
            } else {
                m = {m.x / len, m.y / len};
                // A sharp corner would throw the mitre far away: limit it to four offsets.
                const double scale = 1.0 / std::max(m.x * a.x + m.y * a.y, 0.25);
                n = {m.x * scale, m.y * scale};
            }
        }
        shifts_.push_back(n);
    }
}

void TLineShifter::Shift(double offset, std::vector<TPixel>& out) const {
    out.clear();
    for (std::size_t i = 0; i < points_.size(); ++i)
        out.push_back({ToPixel(points_[i].x + shifts_[i].x * offset),
                       ToPixel(points_[i].y + shifts_[i].y * offset)});
}

void ShiftLine(const TCentreLine& line, double offset, std::vector<TPixel>& out) {
    // Kept between calls: a full view shifts tens of thousands of lines.
    thread_local TLineShifter shifter;
    shifter.Prepare(line);
    shifter.Shift(offset, out);
}

std::vector<TPixel> ShiftLine(const TCentreLine& line, double offset) {
    std::vector<TPixel> out;
    ShiftLine(line, offset, out);
    return out;
}

// ---- TPainter
// ------------------------------------------------------------------------------------

TPainter::TPainter(model::TProject& project, TNetViewOptions& options)
    : project_(project), options_(options) {}

TPainter::~TPainter() = default;

std::string TPainter::SectionName() const {
    std::string name = ClassName();
    if (!name.empty() && name.front() == 'T') name.erase(0, 1);
    return name;
}

TNetworkIndex& TPainter::Index() {
    if (index_) return *index_;
    if (!ownIndex_) ownIndex_ = std::make_unique<TNetworkIndex>(project_);
    return *ownIndex_;
}

bool TPainter::IsLinkShown(const TLink& link) const {
    return showAllScenarios || link.IsUsedIn(scenario_);
}

bool TPainter::IsNodeShown(const TNode& node) {
    if (showAllScenarios) return true;
    // A node near the clip has all its links among the links this paint looked at, so their
    // use, noted while painting them, answers without walking the node's links again.
    if (linkReach_.right > linkReach_.left && node.ListIndex() >= 0 &&
        std::size_t(node.ListIndex()) < usedNodes_.size() && linkReach_.Contains(NodePixel(node)))
        return usedNodes_[std::size_t(node.ListIndex())] != 0;
    return node.IsUsedIn(scenario_);
}

int TPainter::LinkMargin() const {
    // Bands beside the course, the label beyond them, the polyline point diamonds.
    return 2 * options_.linkSeparation + 2 * linkWidth + 2 * options_.linkFont.size +
           options_.NodeRadiusPixels() + 32;
}

void TPainter::Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) {
    canvas_ = &canvas;
    clip_ = clip;
    scenario_ = scenario ? scenario : project_.CurrentScenario();
    const TPixelRect previous = canvas.Clip();
    canvas.SetClip(clip);
    ResetLinkReach();
    PaintLinks();
    PaintNodes();
    canvas.SetClip(previous);
    canvas_ = nullptr;
    scenario_ = nullptr;
    ResetLinkReach();
}

void TPainter::PaintLinks() {
    canvas_->SetPen({PaletteColor(0), 1, TPenStyle::Solid, TPenMode::Copy});
    canvas_->SetFont(options_.linkFont);
    const int margin = LinkMargin();
    Index().VisibleLinks(options_.Scaler(), clip_, margin, visibleLinks_);
    usedNodes_.assign(project_.Nodes().Count(), 0);
    for (const TLink* link : visibleLinks_) {
        if (!IsLinkShown(*link)) continue;
        std::int32_t ends[2];
        if (!Index().LinkEnds(options_.Scaler(), *link, ends[0], ends[1]))
            for (int k = 0; k < 2; ++k) {
                const TNode* end = k == 0 ? link->Tail() : link->Head();
                ends[k] = end ? end->ListIndex() : -1;
            }
        for (const std::int32_t end : ends)
            if (end >= 0 && std::size_t(end) < usedNodes_.size()) usedNodes_[std::size_t(end)] = 1;
        SetPenForLink(*link);
        DrawLink(*link);
        DrawPolylinePoints(*link);
    }
    // Nodes inside this area have every link of theirs among the ones looked at.
    linkReach_ = {clip_.left - margin + 1, clip_.top - margin + 1, clip_.right + margin - 1,
                  clip_.bottom + margin - 1};
}

void TPainter::SetPenForLink(const TLink& link) {
    canvas_->SetPen({PaletteColor(0), LinkPenWidth(link), TPenStyle::Solid, TPenMode::Copy});
}

int TPainter::LinkPenWidth(const TLink&) {
    return linkWidth;
}

void TPainter::CentreLine(const TLink& link, TCentreLine& line) {
    const TScaler& scaler = options_.Scaler();
    line.clear();
    std::span<const TNormalPoint> course;
    if (Index().LinkCourse(scaler, link, course)) {
        for (const TNormalPoint& n : course)
            line.push_back({scaler.NormalToPixelX(n.x), scaler.NormalToPixelY(n.y)});
        return;
    }
    for (const model::TFloatPoint& p : link.GeometryPoints()) {
        const TNormalPoint n = scaler.WorldToNormal(p);
        line.push_back({scaler.NormalToPixelX(n.x), scaler.NormalToPixelY(n.y)});
    }
}

TPixel TPainter::NodePixel(const TNode& node) {
    const TScaler& scaler = options_.Scaler();
    TNormalPoint at;
    if (Index().NodePosition(scaler, node, at)) return scaler.NormalToPixel(at);
    return scaler.WorldToPixel(node.Position());
}

void TPainter::DrawLink(const TLink& link) {
    TCentreLine& line = line_;
    CentreLine(link, line);
    if (line.empty()) return;
    const double offset = canvas_->Pen().width / 2 + options_.linkSeparation;
    const int width = DrawLinkBands(link, line, offset);
    DrawLinkLabels(link, line, width);
}

int TPainter::DrawLinkBands(const TLink&, const TCentreLine& line, double offset) {
    // A link drawn with a visible pen counts as banded, so that hiding grayed links keeps the
    // labels of the links that are still drawn.
    if (canvas_->Pen().style == TPenStyle::Clear) return 0;
    const double side = options_.Scaler().CoordinateMode() == 0 ? -1 : 1;
    ShiftLine(line, side * offset, shifted_);
    DrawLinkSegments(shifted_);
    return canvas_->Pen().width;
}

void TPainter::DrawLinkSegments(std::span<const TPixel> points) {
    const TPen& pen = canvas_->Pen();
    if (pen.style == TPenStyle::Clear || points.empty()) return;
    if (pen.style == TPenStyle::Solid)
        canvas_->CardinalBand(points, pen.color, pen.width, 0.25f);
    else
        canvas_->Polyline(points);
}

void TPainter::DrawLinkLabels(const TLink& link, const TCentreLine& line, int bandWidth) {
    if (options_.linkLabelIndex <= 0) return;
    if (options_.hideGrayedLinks && bandWidth == 0) return;
    const std::string text = options_.LinkLabelText(link, project_, scenario_);
    if (text.empty()) return;
    if (const TLink* opposite = project_.ReverseLink(&link)) {
        // One label for a two-way pair: the earlier link of the pair in link order carries it.
        if (IsLinkShown(*opposite) && model::CompareLinks(opposite, &link) < 0 &&
            options_.LinkLabelText(*opposite, project_, scenario_) == text)
            return;
    }
    const int textWidth = canvas_->TextExtent(text).x;
    // Bands lie to the right of the direction of travel in the world, which is the screen's left
    // in window coordinates (y downwards). The text, its bottom on the far edge of the bands,
    // is turned by the piece's screen angle so that it reads along the piece and away from
    // the line; window coordinates turn it half round more, to the bands' side.
    const bool window = options_.Scaler().CoordinateMode() == 0;
    const double side = window ? -1 : 1;
    const double shift = options_.linkSeparation + bandWidth;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const double dx = line[i + 1].x - line[i].x, dy = line[i + 1].y - line[i].y;
        const double length = std::hypot(dx, dy);
        if (!(textWidth < length)) continue;
        const double nx = -dy / length, ny = dx / length;
        const TPixel at{int(std::lround((line[i].x + line[i + 1].x) / 2 + side * nx * shift)),
                        int(std::lround((line[i].y + line[i + 1].y) / 2 + side * ny * shift))};
        const double angle = std::atan2(dy, dx) * 180.0 / 3.14159265358979323846;
        const int escapement =
            PositiveMod(1800 - int(std::lround(10 * angle)) - (window ? 1800 : 0), 3600);
        canvas_->Text(at, text, escapement, taCenter | taBottom);
    }
}

void TPainter::DrawPolylinePoints(const TLink& link) {
    // A course of no more points than ends has no points between them: told from the spatial
    // index, without reading the link's polyline.
    std::span<const TNormalPoint> course;
    std::int32_t tail = -1, head = -1;
    if (Index().LinkCourse(options_.Scaler(), link, course) &&
        Index().LinkEnds(options_.Scaler(), link, tail, head) &&
        course.size() <= std::size_t(tail >= 0) + std::size_t(head >= 0))
        return;
    const model::TPolyline& polyline = link.Polyline();
    if (polyline.IsEmpty()) return;
    const int d = std::max(2, options_.NodeRadiusPixels() - 2);
    const TPen saved = canvas_->Pen();
    const TBrush savedBrush = canvas_->Brush();
    canvas_->SetPen({kPolylinePointOutline, 1, TPenStyle::Solid, TPenMode::Copy});
    canvas_->SetBrush({kPolylinePointFill, false});
    for (std::size_t i = 0; i < polyline.Count(); ++i) {
        const TPixel p = options_.Scaler().WorldToPixel(polyline.Point(i));
        if (!TPixelRect{p.x - d, p.y - d, p.x + d + 1, p.y + d + 1}.Meets(clip_)) continue;
        const TPixel diamond[4] = {{p.x, p.y - d}, {p.x + d, p.y}, {p.x, p.y + d}, {p.x - d, p.y}};
        canvas_->Polygon(diamond);
    }
    canvas_->SetPen(saved);
    canvas_->SetBrush(savedBrush);
}

int TPainter::SymbolRadius(const TNode& node) const {
    return node.IsZone() ? options_.RadiusPixels(4 * options_.nodeRadius)
                         : options_.NodeRadiusPixels();
}

void TPainter::PaintNodes() {
    if (options_.labelWhat == 0) marked_.clear();
    canvas_->SetFont(options_.nodeFont);
    canvas_->SetPen({PaletteColor(0), 1, TPenStyle::Solid, TPenMode::Copy});
    const bool noLinks = project_.Links().Count() == 0;
    const int reach = options_.RadiusPixels(4 * options_.nodeRadius) + 1;
    Index().VisibleNodes(options_.Scaler(), clip_, reach, reach, visibleNodes_);
    for (const TNode* node : visibleNodes_)
        if (!node->IsZone() && (noLinks || IsNodeShown(*node))) DrawNode(*node);
    for (const TNode* node : visibleNodes_)
        if (node->IsZone()) DrawNode(*node);
    if (options_.labelWhat == 0) return;
    Index().VisibleNodes(options_.Scaler(), clip_, kNodeLabelReach + reach, reach, visibleNodes_);
    for (const TNode* node : visibleNodes_)
        if (node->IsZone() || noLinks || IsNodeShown(*node)) DrawNodeLabel(*node);
}

void TPainter::DrawNode(const TNode& node) {
    const int r = SymbolRadius(node);
    const TPixel p = NodePixel(node);
    const TPixelRect box{p.x - r, p.y - r, p.x + r + 1, p.y + r + 1};
    if (!box.Meets(clip_)) return;
    if (node.IsZone()) {
        const bool external = static_cast<const model::TZone&>(node).IsExternal();
        canvas_->SetBrush({external ? kExternalZoneFill : kZoneFill, false});
        canvas_->Rectangle(box);
    } else {
        canvas_->SetBrush({kNodeFill, false});
        canvas_->Ellipse(box);
    }
}

void TPainter::DrawNodeLabel(const TNode& node) {
    switch (options_.labelWhat) {
    case 1:
        if (!node.IsZone()) return;
        break;
    case 2:
        if (!IsNodeMarked(node)) return;
        break;
    case 3:
        break;
    default:
        return;
    }
    std::string text;
    switch (options_.labelWith) {
    case 1:
        text = node.GetName();
        break;
    case 2:
        text = Format("%d %s", {node.Id(), node.GetName()});
        break;
    default:
        text = std::to_string(node.Id());
        break;
    }
    const int r = SymbolRadius(node);
    const TPixel p = NodePixel(node);
    const TPixel at{p.x + r, p.y + r};
    const TPixel extent = canvas_->TextExtent(text);
    if (!TPixelRect{at.x, at.y, at.x + extent.x + 1, at.y + extent.y + 1}.Meets(clip_)) return;
    canvas_->Text(at, text, 0, taLeft | taTop);
}

bool TPainter::IsNodeMarked(const TNode& node) const {
    return std::binary_search(marked_.begin(), marked_.end(), std::to_string(node.Id()));
}

void TPainter::SetNodeMarked(const TNode& node, bool marked) {
    const std::string key = std::to_string(node.Id());
    const auto at = std::lower_bound(marked_.begin(), marked_.end(), key);
    const bool present = at != marked_.end() && *at == key;
    if (marked && !present) marked_.insert(at, key);
    if (!marked && present) marked_.erase(at);
}

void TPainter::LoadSettings(const TViewSettings& settings) {
    const std::string section = SectionName();
    linkWidth = std::max(1, settings.ReadInteger(section, "LinkWidth", linkWidth));
    const int factor = settings.ReadInteger(section, "LinkWidthFactor", linkWidthFactor);
    if (factor > 0) linkWidthFactor = factor; // a factor of 0 would divide every width by zero
    marked_.clear();
    for (const std::string& line : settings.ReadStringList(section, "Marked"))
        if (!line.empty()) marked_.push_back(line);
    std::sort(marked_.begin(), marked_.end());
    marked_.erase(std::unique(marked_.begin(), marked_.end()), marked_.end());
}

void TPainter::SaveSettings(TViewSettings& settings) const {
    const std::string section = SectionName();
    settings.WriteInteger(section, "LinkWidth", linkWidth);
    settings.WriteInteger(section, "LinkWidthFactor", linkWidthFactor);
    settings.WriteStringList(section, "Marked", marked_);
}

// ---- TColorPainter
// -------------------------------------------------------------------------------

std::unique_ptr<TColorMap> TColorPainter::CreateColorMap() {
    return std::make_unique<TEntityColorMap>();
}

int TColorPainter::LinkColorIndex(const TLink&) {
    return 0;
}

TColorMap& TColorPainter::ColorMap() {
    if (!colorMap_) {
        colorMap_ = CreateColorMap();
        colorMap_->ResetToDefaults();
    }
    return *colorMap_;
}

void TColorPainter::SetPenForLink(const TLink& link) {
    const int index = std::clamp(LinkColorIndex(link), 0, kPaletteSize - 1);
    TPen pen{PaletteColor(index), LinkPenWidth(link), TPenStyle::Solid, TPenMode::Copy};
    if (index == 0) {
        pen.width = 1;
        if (options_.hideGrayedLinks) pen.style = TPenStyle::Clear;
    }
    canvas_->SetPen(pen);
}

void TColorPainter::Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) {
    ColorMap().ApplyDefaults();
    TPainter::Paint(canvas, clip, scenario);
}

void TColorPainter::LoadSettings(const TViewSettings& settings) {
    TPainter::LoadSettings(settings);
    ColorMap().Read(settings, SectionName());
    ColorMap().ApplyDefaults();
}

void TColorPainter::SaveSettings(TViewSettings& settings) const {
    TPainter::SaveSettings(settings);
    if (colorMap_) colorMap_->Write(settings, SectionName());
}

} // namespace zep::view
