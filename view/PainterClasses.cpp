// The painter classes of the network window's tabs, their tab order and the factory by name.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "model/ADMIN.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/LinkRouteCost.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "view/Painter.h"
#include "view/PthPaint.h"

namespace zep::view {

using model::TLink;
using model::TLinkRoute;

namespace {

/// round(max(min(width, largest int), 1)).
int BandPixels(double width) {
    return static_cast<int>(std::lround(std::max(std::min(width, double(INT_MAX)), 1.0)));
}

} // namespace

// ---- link types --------------------------------------------------------------------------------

TLinkTypePainter::TLinkTypePainter(model::TProject& project, TNetViewOptions& options)
    : TColorPainter(project, options) {
    linkWidthFactor = 10000;
}

std::unique_ptr<TColorMap> TLinkTypePainter::CreateColorMap() {
    return std::make_unique<TLinkTypeColorMap>(&project_.LinkTypes());
}

int TLinkTypePainter::LinkColorIndex(const TLink& link) {
    return ColorMap().IndexOf(link.LinkTypeIn(scenario_));
}

int TLinkTypePainter::LinkPenWidth(const TLink& link) {
    const double capacity = link.GetFloatIn(scenario_, TLink::kCapacity);
    if (!std::isfinite(capacity) || !(capacity > 0)) return linkWidth;
    return BandPixels(double(linkWidth) * (capacity - 1) / linkWidthFactor + linkWidth);
}

// ---- routes ------------------------------------------------------------------------------------

TRoutePainter::TRoutePainter(model::TProject& project, TNetViewOptions& options)
    : TColorPainter(project, options) {
    linkWidthFactor = 40;
}

std::unique_ptr<TColorMap> TRoutePainter::CreateColorMap() {
    return std::make_unique<TRouteColorMap>(&project_.Routes());
}

int TRoutePainter::LinkMargin() const {
    const TNetViewOptions& o = Options();
    TMeasure& m = measure_;
    const model::TLinkList& links = project_.Links();
    const std::uint64_t colours = const_cast<TRoutePainter*>(this)->ColorMap().Changes();
    if (!m.valid || m.scenario != Scenario() || m.links != links.Count() ||
        m.linkChanges != links.Changes() || m.linkRouteChanges != project_.LinkRoutes().Changes() ||
        m.routeChanges != project_.Routes().Changes() || m.colourChanges != colours ||
        m.width != linkWidth || m.factor != linkWidthFactor || m.separation != o.linkSeparation ||
        m.nonStops != o.showNonStops || m.all != showAllScenarios) {
        m.widest = const_cast<TRoutePainter*>(this)->WidestStack();
        m.valid = true;
        m.scenario = Scenario();
        m.links = links.Count();
        m.linkChanges = links.Changes();
        m.linkRouteChanges = project_.LinkRoutes().Changes();
        m.routeChanges = project_.Routes().Changes();
        m.colourChanges = colours;
        m.width = linkWidth;
        m.factor = linkWidthFactor;
        m.separation = o.linkSeparation;
        m.nonStops = o.showNonStops;
        m.all = showAllScenarios;
    }
    // A paint asks for the margin before it draws a link: the noted bands are current.
    const_cast<TRoutePainter*>(this)->bandsReady_ = Canvas() != nullptr;
    // Without link labels a link reaches no further than its bands beside the course and the
    // diamonds of its polyline points; labels need the painters' own allowance.
    if (o.linkLabelIndex <= 0)
        return m.widest + 2 * o.linkSeparation + 2 * linkWidth + o.NodeRadiusPixels() + 6;
    return TPainter::LinkMargin() + m.widest + 2 * o.linkSeparation + 2;
}

double TRoutePainter::BandPens(const TLink& link, bool shown, std::vector<TBandPen>& out) {
    out.clear();
    const TBands bands = BandsOf(link, shown);
    const int separation = Options().linkSeparation;
    double stack = 0;
    for (int c = 1; c < kPaletteSize; ++c) {
        const double value = bands.value[std::size_t(c)];
        if (!(value > 0)) continue;
        const double w = value * linkWidth / std::max(1, linkWidthFactor);
        stack += std::min(std::ceil(std::max(w, 1.0)) + 1, 1e9) + separation;
        TBandPen pen{std::uint8_t(c), false, BandPixels(value * linkWidth / linkWidthFactor)};
        if (options_.showNonStops && bands.stops[std::size_t(c)] == 0) {
            pen.width = 1;
            pen.dotted = true;
        }
        out.push_back(pen);
    }
    return stack;
}

int TRoutePainter::WidestStack() {
    const model::TLinkList& links = project_.Links();
    bandStart_.assign(1, 0);
    bandPens_.clear();
    linkShown_.assign(links.Count(), 0);
    double widest = 0;
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const bool shown = TColorPainter::IsLinkShown(*links.Get(i));
        linkShown_[i] = shown ? 1 : 0;
        widest = std::max(widest, BandPens(*links.Get(i), shown, pens_));
        bandPens_.insert(bandPens_.end(), pens_.begin(), pens_.end());
        bandStart_.push_back(std::uint32_t(bandPens_.size()));
    }
    return int(std::min(widest, double(std::numeric_limits<int>::max() / 4)));
}

bool TRoutePainter::Noted(const TLink& link, std::size_t& at) const {
    at = std::size_t(link.ListIndex());
    return bandsReady_ && link.ListIndex() >= 0 && at < linkShown_.size() &&
           project_.Links().Get(at) == &link;
}

bool TRoutePainter::IsLinkShown(const TLink& link) const {
    std::size_t at = 0;
    return Noted(link, at) ? linkShown_[at] != 0 : TColorPainter::IsLinkShown(link);
}

void TRoutePainter::Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) {
    routeRate_.assign(project_.Routes().Count(), std::numeric_limits<double>::quiet_NaN());
    cachedFor_ = nullptr;
    bandsReady_ = false;
    TColorPainter::Paint(canvas, clip, scenario);
    bandsReady_ = false;
    cachedFor_ = nullptr;
}

bool TRoutePainter::IsLinkRouteUsed(const TLinkRoute& lr, const TLink& link,
                                    const model::TLinkType* linkType, bool linkUsed) {
    const model::TRoute* route = lr.Route();
    const std::size_t routes = project_.Routes().Count();
    if (!route || route->ListIndex() < 0 || std::size_t(route->ListIndex()) >= routes)
        return lr.IsUsedIn(scenario_);
    if (cachedFor_ != scenario_) {
        routeInternal_.assign(routes, -1);
        routeUsed_.assign(routes, -1);
        mayUse_.assign(project_.LinkTypes().Count() * project_.Operators().Count(), -1);
        cachedFor_ = scenario_;
    }
    const std::size_t r = std::size_t(route->ListIndex());
    if (routeInternal_[r] < 0) routeInternal_[r] = lr.Internal() ? 1 : 0;
    if (routeInternal_[r] == 0) {
        if (!linkUsed) return false;
        if (routeUsed_[r] < 0) routeUsed_[r] = route->IsUsedIn(scenario_) ? 1 : 0;
        return routeUsed_[r] != 0 && lr.model::TVersionedEntity::IsUsedIn(scenario_);
    }
    // An internal link-route is there wherever its operator may use the link.
    const model::TOperator* op = route->Operator();
    if (!linkType || !op) return false;
    const std::size_t ops = project_.Operators().Count();
    if (linkType->ListIndex() < 0 || op->ListIndex() < 0 || std::size_t(op->ListIndex()) >= ops ||
        std::size_t(linkType->ListIndex()) >= project_.LinkTypes().Count())
        return model::OperatorMayUseLink(&link, op, scenario_);
    signed char& known =
        mayUse_[std::size_t(linkType->ListIndex()) * ops + std::size_t(op->ListIndex())];
    if (known < 0) known = model::OperatorMayUseLink(&link, op, scenario_) ? 1 : 0;
    return known != 0;
}

double TRoutePainter::Accumulate(double running, const TLinkRoute& linkRoute) {
    const model::TRoute* route = linkRoute.Route();
    if (!route) return running;
    const std::size_t position = std::size_t(route->ListIndex());
    double rate = position < routeRate_.size() ? routeRate_[position]
                                               : std::numeric_limits<double>::quiet_NaN();
    if (rate != rate) {
        const model::TOperator* op = route->Operator();
        const double occupancy =
            op ? op->GetFloatIn(scenario_, model::TOperator::kOccupancyRate) : 0;
        const double frequency =
            route->GetFloatIn(scenario_, project_.AssignmentResults() ? model::TRoute::kNewFreq
                                                                      : model::TRoute::kMinFreq);
        rate = occupancy * frequency;
        if (position < routeRate_.size() && rate == rate) routeRate_[position] = rate;
    }
    const double value = rate + running;
    if (!std::isfinite(value)) return running;
    return std::max(value, 1.0);
}

TRoutePainter::TBands TRoutePainter::BandsOf(const TLink& link, bool shown) {
    TBands bands;
    TColorMap& map = ColorMap();
    const model::TLinkRouteList& list = link.LinkRoutes();
    if (list.IsEmpty()) return bands;
    const model::TLinkType* linkType = showAllScenarios ? nullptr : link.LinkTypeIn(scenario_);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TLinkRoute* lr = list.Get(i);
        if (!showAllScenarios && !IsLinkRouteUsed(*lr, link, linkType, shown)) continue;
        const int c = std::min(kPaletteSize - 1, int(map.IndexOf(lr->Route())));
        bands.value[std::size_t(c)] = Accumulate(bands.value[std::size_t(c)], *lr);
        if (!lr->GetBooleanIn(scenario_, TLinkRoute::kNoTransfers)) ++bands.stops[std::size_t(c)];
    }
    return bands;
}

int TRoutePainter::DrawLinkBands(const TLink& link, const TCentreLine& line, double offset) {
    std::span<const TBandPen> pens;
    if (std::size_t at = 0; Noted(link, at)) {
        pens = std::span<const TBandPen>(bandPens_).subspan(bandStart_[at],
                                                            bandStart_[at + 1] - bandStart_[at]);
    } else {
        BandPens(link, TColorPainter::IsLinkShown(link), pens_);
        pens = pens_;
    }
    const double side = options_.Scaler().CoordinateMode() == 0 ? -1 : 1;
    const int separation = options_.linkSeparation;
    double position = offset;
    shifter_.Prepare(line);
    for (const TBandPen& band : pens) {
        const TPen pen{PaletteColor(band.colour), band.width,
                       band.dotted ? TPenStyle::Dot : TPenStyle::Solid, TPenMode::Copy};
        position += pen.width / 2.0;
        canvas_->SetPen(pen);
        shifter_.Shift(side * position, shifted_);
        DrawLinkSegments(shifted_);
        position += pen.width / 2.0 + separation;
    }
    if (!pens.empty()) return std::max(1, int(std::lround(position - offset)) - separation);
    if (!options_.hideGrayedLinks) {
        canvas_->SetPen({PaletteColor(0), 1, TPenStyle::Solid, TPenMode::Copy});
        shifter_.Shift(side * offset, shifted_);
        DrawLinkSegments(shifted_);
    }
    return 0;
}

// ---- symmetry and change -----------------------------------------------------------------------

int TNonTwoWayPainter::LinkColorIndex(const TLink& link) {
    if (project_.IsPlainTwoWayPair(&link, scenario_)) return 0;
    return project_.IsTwoWayPair(&link, scenario_) ? 4 : 1;
}

TChangedPainter::TChangedPainter(model::TProject& project, TNetViewOptions& options)
    : TColorPainter(project, options) {
    showAllScenarios = true;
}

int TChangedPainter::LinkColorIndex(const TLink& link) {
    return link.HasVersion(scenario_) ? 10 : 0;
}

// ---- assignment results
// --------------------------------------------------------------------------

TAssignmentPainter::TAssignmentPainter(model::TProject& project, TNetViewOptions& options)
    : TRoutePainter(project, options) {
    linkWidthFactor = 1000;
}

double TAssignmentPainter::Accumulate(double running, const TLinkRoute& linkRoute) {
    const double value = Value(linkRoute);
    return std::isfinite(value) ? running + value : running;
}

double TEquivVehiclesPainter::Value(const TLinkRoute& linkRoute) {
    return model::LinkRouteCost(linkRoute, scenario_, nullptr).equivalentVehicles;
}

double TTotalVehiclesPainter::Value(const TLinkRoute& linkRoute) {
    return linkRoute.GetFloatIn(scenario_, TLinkRoute::kVehicles);
}

TVolumePainter::TVolumePainter(model::TProject& project, TNetViewOptions& options)
    : TAssignmentPainter(project, options) {
    linkWidthFactor = 10000;
}

double TVolumePainter::Value(const TLinkRoute& linkRoute) {
    return linkRoute.GetFloatIn(scenario_, TLinkRoute::kVolume);
}

TVolumeCapacityPainter::TVolumeCapacityPainter(model::TProject& project, TNetViewOptions& options)
    : TAssignmentPainter(project, options) {
    linkWidthFactor = 1;
    linkWidth = 4;
}

double TVolumeCapacityPainter::Value(const TLinkRoute& linkRoute) {
    const TLink* link = linkRoute.Link();
    if (!link) return 0;
    return model::LinkRouteCost(linkRoute, scenario_, nullptr).equivalentVehicles /
           link->GetFloatIn(scenario_, TLink::kCapacity);
}

TPassengerVolumeCapacityPainter::TPassengerVolumeCapacityPainter(model::TProject& project,
                                                                 TNetViewOptions& options)
    : TAssignmentPainter(project, options) {
    linkWidthFactor = 1;
    linkWidth = 4;
}

double TPassengerVolumeCapacityPainter::Accumulate(double running, const TLinkRoute& linkRoute) {
    const model::TRoute* route = linkRoute.Route();
    const model::TOperator* op = route ? route->Operator() : nullptr;
    const double occupancy = op ? op->GetFloatIn(scenario_, model::TOperator::kOccupancyRate) : 0;
    const double capacity = linkRoute.GetFloatIn(scenario_, TLinkRoute::kVehicles) * occupancy;
    if (capacity == 0) return running;
    const double value = linkRoute.GetFloatIn(scenario_, TLinkRoute::kVolume) / capacity;
    return std::isfinite(value) ? running + value : running;
}

double TPassengerVolumeCapacityPainter::Value(const TLinkRoute& linkRoute) {
    return Accumulate(0, linkRoute);
}

std::unique_ptr<TColorMap> TServiceLevelPainter::CreateColorMap() {
    return std::make_unique<TServiceLevelColorMap>(&project_.ServiceLevels());
}

int TServiceLevelPainter::LinkColorIndex(const TLink& link) {
    const int level = LinkServiceLevel(project_, link, scenario_);
    return level < 0 ? 0 : ColorMap().Index(std::size_t(level));
}

TWaitingTimePainter::TWaitingTimePainter(model::TProject& project, TNetViewOptions& options)
    : TRoutePainter(project, options) {
    linkWidthFactor = 40;
}

double TWaitingTimePainter::Accumulate(double running, const TLinkRoute& linkRoute) {
    const double add = linkRoute.GetFloatIn(scenario_, TLinkRoute::kWaitingTime) *
                       linkRoute.GetFloatIn(scenario_, TLinkRoute::kBoard);
    if (!std::isfinite(add)) return running;
    const double value = running + add;
    return value > 10000 ? 0 : value;
}

// ---- tabs and factory
// ----------------------------------------------------------------------------

std::vector<std::string> PainterTabs(model::TProject& project) {
    std::vector<std::string> tabs = {"TLinkTypePainter", "TRoutePainter", "TNonTwoWayPainter"};
    tabs.push_back(project.ReadOnly() && project.ModesWithPaths().any() ? "TPathPainter"
                                                                        : "TChangedPainter");
    if (project.AssignmentResults())
        for (const char* name : {"TEquivVehiclesPainter", "TTotalVehiclesPainter", "TVolumePainter",
                                 "TVolumeCapacityPainter", "TPassengerVolumeCapacityPainter",
                                 "TServiceLevelPainter", "TWaitingTimePainter"})
            tabs.push_back(name);
    return tabs;
}

namespace {

using TCreator = std::function<std::unique_ptr<TPainter>(model::TProject&, TNetViewOptions&)>;

template <class T> std::pair<const char*, TCreator> Entry(const char* name) {
    return {name, [](model::TProject& p, TNetViewOptions& o) { return std::make_unique<T>(p, o); }};
}

const std::vector<std::pair<const char*, TCreator>>& Creators() {
    static const std::vector<std::pair<const char*, TCreator>> creators = {
        Entry<TLinkTypePainter>("TLinkTypePainter"),
        Entry<TRoutePainter>("TRoutePainter"),
        Entry<TNonTwoWayPainter>("TNonTwoWayPainter"),
        Entry<TPathPainter>("TPathPainter"),
        Entry<TChangedPainter>("TChangedPainter"),
        Entry<TEquivVehiclesPainter>("TEquivVehiclesPainter"),
        Entry<TTotalVehiclesPainter>("TTotalVehiclesPainter"),
        Entry<TVolumePainter>("TVolumePainter"),
        Entry<TVolumeCapacityPainter>("TVolumeCapacityPainter"),
        Entry<TPassengerVolumeCapacityPainter>("TPassengerVolumeCapacityPainter"),
        Entry<TServiceLevelPainter>("TServiceLevelPainter"),
        Entry<TWaitingTimePainter>("TWaitingTimePainter"),
    };
    return creators;
}

} // namespace

std::unique_ptr<TPainter> CreatePainter(std::string_view className, model::TProject& project,
                                        TNetViewOptions& options) {
    for (const auto& [name, create] : Creators())
        if (className == name) return create(project, options);
    return nullptr;
}

std::vector<std::string> PainterClassNames() {
    std::vector<std::string> names;
    for (const auto& entry : Creators())
        names.emplace_back(entry.first);
    return names;
}

} // namespace zep::view
