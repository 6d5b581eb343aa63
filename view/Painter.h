// The painters of the network window: each draws the links of a scenario coloured and sized its
// own way (link type, routes, symmetry, change, assignment results, service level), then the
// nodes, zones and labels, onto a canvas clipped to the area being repainted.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "view/Canvas.h"
#include "view/ColorMap.h"
#include "view/MapIndex.h"
#include "view/NetViewOptions.h"

namespace zep::model {
class TLink;
class TLinkRoute;
class TLinkType;
class TNode;
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::view {

class TViewSettings;

/// A link's course in pixels before rounding, so that bands shifted side by side do not
/// accumulate rounding.
struct TPixelF {
    double x = 0;
    double y = 0;
};
using TCentreLine = std::vector<TPixelF>;

/// The course shifted sideways by `offset` pixels (to the right of the direction of travel on
/// screen), rounded to pixels. Repeated points are dropped first.
std::vector<TPixel> ShiftLine(const TCentreLine& line, double offset);
/// The same into `out` (cleared first), without allocating once `out` has grown.
void ShiftLine(const TCentreLine& line, double offset, std::vector<TPixel>& out);

/// ShiftLine for several offsets of one course (the bands of a link): the course's directions
/// are worked out once, by Prepare, and each Shift gives what ShiftLine gives.
class TLineShifter {
public:
    void Prepare(const TCentreLine& line);
    void Shift(double offset, std::vector<TPixel>& out) const;

private:
    TCentreLine points_; // the course without repeated points
    // Per point, the shift by one pixel: the normal of its piece, or at a bend the mitred
    // normal of both.
    std::vector<TPixelF> shifts_;
    std::vector<TPixelF> normals_; // scratch: the normal of each piece
};

/// Draws the network onto a canvas. The painter does not own the project or the options.
class TPainter {
public:
    TPainter(model::TProject& project, TNetViewOptions& options);
    virtual ~TPainter();
    TPainter(const TPainter&) = delete;
    TPainter& operator=(const TPainter&) = delete;

    virtual const char* ClassName() const { return "TPainter"; }
    /// The tab caption.
    virtual const char* Caption() const { return ""; }
    /// The settings section: the class name without its leading "T".
    std::string SectionName() const;

    std::int32_t linkWidth = 1;
    std::int32_t linkWidthFactor = 1;
    /// Links and nodes are drawn whatever their use in the scenario.
    bool showAllScenarios = false;

    // Operations in the order the painter classes override them.
    virtual void PaintLinks();
    virtual void PaintNodes();
    virtual void SetPenForLink(const model::TLink& link);
    virtual int LinkPenWidth(const model::TLink& link);
    virtual void DrawLink(const model::TLink& link);
    virtual void DrawNode(const model::TNode& node);
    virtual bool IsNodeMarked(const model::TNode& node) const;
    virtual void SetNodeMarked(const model::TNode& node, bool marked);
    /// Reads "LinkWidth", "LinkWidthFactor" and "Marked" over the class defaults.
    virtual void LoadSettings(const TViewSettings& settings);
    virtual void SaveSettings(TViewSettings& settings) const;
    /// Links, then nodes, clipped to `clip`; the canvas and scenario are forgotten afterwards.
    virtual void Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario);
    /// The anti-aliased band through the points with the canvas pen (dotted pens draw a plain
    /// dotted line, a clear pen nothing).
    void DrawLinkSegments(std::span<const TPixel> points);
    /// Draws the link's bands beside its centre line, the first one `offset` pixels off it.
    /// Returns the total width drawn, 0 when nothing was drawn.
    virtual int DrawLinkBands(const model::TLink& link, const TCentreLine& line, double offset);

    /// Marked nodes: sorted identifier texts without duplicates.
    const std::vector<std::string>& MarkedNodes() const { return marked_; }
    void ClearMarkedNodes() { marked_.clear(); }

    /// Shares a spatial index among the painters of one window (otherwise each has its own).
    void SetIndex(TNetworkIndex* index) { index_ = index; }
    TNetworkIndex& Index();

    model::TProject& Project() const { return project_; }
    TNetViewOptions& Options() const { return options_; }
    model::TScenario* Scenario() const { return scenario_; }
    ICanvas* Canvas() const { return canvas_; }
    const TPixelRect& ClipRect() const { return clip_; }

protected:
    /// The link is drawn in the current scenario.
    virtual bool IsLinkShown(const model::TLink& link) const;
    bool IsNodeShown(const model::TNode& node);
    /// The link's course in pixels (tail, polyline points, head) into `line`, as the spatial
    /// index holds it.
    void CentreLine(const model::TLink& link, TCentreLine& line);
    /// The node's position in pixels, as the spatial index holds it.
    TPixel NodePixel(const model::TNode& node);
    void DrawPolylinePoints(const model::TLink& link);
    void DrawLinkLabels(const model::TLink& link, const TCentreLine& line, int bandWidth);
    void DrawNodeLabel(const model::TNode& node);
    /// The symbol radius of a node or zone in pixels.
    int SymbolRadius(const model::TNode& node) const;
    /// How far beyond its course a link may draw (bands, labels, polyline diamonds).
    virtual int LinkMargin() const;
    /// Forgets the node use noted by the last PaintLinks.
    void ResetLinkReach() { linkReach_ = {}; }

    model::TProject& project_;
    TNetViewOptions& options_;
    ICanvas* canvas_ = nullptr;
    TPixelRect clip_{};
    model::TScenario* scenario_ = nullptr;
    /// Scratch buffers of the current paint.
    std::vector<TPixel> shifted_;
    TLineShifter shifter_;

private:
    TCentreLine line_;
    std::vector<char> usedNodes_; // by node position: a shown link of this paint ends there
    TPixelRect linkReach_{};      // where usedNodes_ answers (empty: nowhere)
    std::vector<std::string> marked_;
    TNetworkIndex* index_ = nullptr;
    std::unique_ptr<TNetworkIndex> ownIndex_;
    std::vector<model::TLink*> visibleLinks_;
    std::vector<model::TNode*> visibleNodes_;
};

/// A painter that colours links through a colour map.
class TColorPainter : public TPainter {
public:
    using TPainter::TPainter;
    const char* ClassName() const override { return "TColorPainter"; }

    /// Copy mode, the link's pen width and its palette colour; index 0 draws grey and 1 pixel
    /// wide, or nothing at all when grayed links are hidden.
    void SetPenForLink(const model::TLink& link) override;
    void LoadSettings(const TViewSettings& settings) override;
    void SaveSettings(TViewSettings& settings) const override;
    /// Entities added since the last paint get their default colours first.
    void Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) override;

    virtual std::unique_ptr<TColorMap> CreateColorMap();
    virtual int LinkColorIndex(const model::TLink& link);

    /// Made with CreateColorMap and its defaults on first use.
    TColorMap& ColorMap();

private:
    std::unique_ptr<TColorMap> colorMap_;
};

class TLinkTypePainter : public TColorPainter {
public:
    TLinkTypePainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TLinkTypePainter"; }
    const char* Caption() const override { return "Link Types"; }
    std::unique_ptr<TColorMap> CreateColorMap() override;
    int LinkColorIndex(const model::TLink& link) override;
    /// Grows with the link's capacity: capacity 1 gives the link width.
    int LinkPenWidth(const model::TLink& link) override;
};

/// One band per route colour on the link, side by side.
class TRoutePainter : public TColorPainter {
public:
    TRoutePainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TRoutePainter"; }
    const char* Caption() const override { return "Routes"; }
    std::unique_ptr<TColorMap> CreateColorMap() override;
    int DrawLinkBands(const model::TLink& link, const TCentreLine& line, double offset) override;
    void Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) override;

    /// The value of colour `c` after adding the link-route (`running` is the value so far).
    virtual double Accumulate(double running, const model::TLinkRoute& linkRoute);

    /// The band widths of a link in the scenario, colour by colour (1..14), and whether a
    /// link-route of the colour stops there; for tests and the window's legend.
    struct TBands {
        std::array<double, kPaletteSize> value{};
        std::array<int, kPaletteSize> stops{};
    };
    TBands BandsOf(const model::TLink& link) { return BandsOf(link, TPainter::IsLinkShown(link)); }

    /// Forgets the measured widest band stack and the band pens of every link, kept from paint
    /// to paint; they are worked out again when a paint needs them. Call after every edit of
    /// the study's values (as the window does after each command, undo and redo): insertions,
    /// removals and reorderings of links, link-routes and routes, the colours, the scenario and
    /// the band settings are noticed without it.
    void InvalidateMeasure() { measure_.valid = false; }

protected:
    /// Whether the link-route of `link` (of type `linkType` in the scenario) is used in the
    /// current scenario: the link-route's own rule, with what depends only on its route or on
    /// the link type and operator worked out once per paint.
    bool IsLinkRouteUsed(const model::TLinkRoute& linkRoute, const model::TLink& link,
                         const model::TLinkType* linkType, bool linkUsed);
    int LinkMargin() const override;
    /// As noted with the bands when they are current.
    bool IsLinkShown(const model::TLink& link) const override;

private:
    /// Occupancy rate times frequency per route position, worked out once per paint (NaN: not
    /// yet): every link a route runs on asks for it.
    std::vector<double> routeRate_;
    /// Per route position: -1 not known yet, else 0/1: internal, used in the scenario.
    std::vector<signed char> routeInternal_, routeUsed_;
    /// Per link type and operator position: -1 not known yet, else whether the operator may
    /// use links of the type.
    std::vector<signed char> mayUse_;
    const model::TScenario* cachedFor_ = nullptr;

    /// The largest sum of band widths and separations over the links, rounded up; notes every
    /// link's bands on the way.
    int WidestStack();
    /// How far bands may reach beside a course: measured over the study once, and again when
    /// the scenario, the links, link-routes, routes or colours, or a setting that widens bands
    /// change. A paint of a narrow strip (a pan) then looks only at the links that can reach it.
    struct TMeasure {
        bool valid = false;
        const model::TScenario* scenario = nullptr;
        std::size_t links = 0;
        std::uint64_t linkChanges = 0, linkRouteChanges = 0, routeChanges = 0, colourChanges = 0;
        int width = 0, factor = 0, separation = 0;
        bool nonStops = false, all = false;
        int widest = 0;
    };
    /// A band as drawn: its palette colour, its width in pixels, dotted for a route that does
    /// not stop on the link.
    struct TBandPen {
        std::uint8_t colour = 0;
        bool dotted = false;
        int width = 1;
    };
    /// The bands of each link (by list position) as of the measure: a full view draws them
    /// without reading the study's values again. Good during a paint once LinkMargin has
    /// measured; edits between paints go through InvalidateMeasure.
    std::vector<std::uint32_t> bandStart_;
    std::vector<TBandPen> bandPens_;
    /// Per link position, as of the measure: whether the link is drawn in the scenario.
    std::vector<std::uint8_t> linkShown_;
    bool bandsReady_ = false;
    /// Whether the link's bands and visibility were noted at the measure, at position `at`.
    bool Noted(const model::TLink& link, std::size_t& at) const;
    /// BandsOf a link that is drawn in the scenario or not (`shown`, as IsLinkShown says).
    TBands BandsOf(const model::TLink& link, bool shown);
    /// The pens of the bands the link has in the scenario, in drawing order; returns the width
    /// of their stack with separations, each band rounded up.
    double BandPens(const model::TLink& link, bool shown, std::vector<TBandPen>& out);
    std::vector<TBandPen> pens_;
    mutable TMeasure measure_;
};

class TNonTwoWayPainter : public TColorPainter {
public:
    using TColorPainter::TColorPainter;
    const char* ClassName() const override { return "TNonTwoWayPainter"; }
    const char* Caption() const override { return "Asymmetric"; }
    /// 0 (grey) for a plain two-way pair, 4 (lime) when the opposite agrees, else 1 (red).
    int LinkColorIndex(const model::TLink& link) override;
};

class TChangedPainter : public TColorPainter {
public:
    TChangedPainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TChangedPainter"; }
    const char* Caption() const override { return "Changed"; }
    /// 10 (green) when the scenario holds values of its own for the link, else 0.
    int LinkColorIndex(const model::TLink& link) override;
};

class TAssignmentPainter : public TRoutePainter {
public:
    TAssignmentPainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TAssignmentPainter"; }
    /// Adds Value unless it is not finite.
    double Accumulate(double running, const model::TLinkRoute& linkRoute) override;
    virtual double Value(const model::TLinkRoute& linkRoute) = 0;
};

class TEquivVehiclesPainter : public TAssignmentPainter {
public:
    using TAssignmentPainter::TAssignmentPainter;
    const char* ClassName() const override { return "TEquivVehiclesPainter"; }
    const char* Caption() const override { return "Equiv Veh"; }
    double Value(const model::TLinkRoute& linkRoute) override;
};

class TTotalVehiclesPainter : public TAssignmentPainter {
public:
    using TAssignmentPainter::TAssignmentPainter;
    const char* ClassName() const override { return "TTotalVehiclesPainter"; }
    const char* Caption() const override { return "Total Veh"; }
    double Value(const model::TLinkRoute& linkRoute) override;
};

class TVolumePainter : public TAssignmentPainter {
public:
    TVolumePainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TVolumePainter"; }
    const char* Caption() const override { return "Volume"; }
    double Value(const model::TLinkRoute& linkRoute) override;
};

class TVolumeCapacityPainter : public TAssignmentPainter {
public:
    TVolumeCapacityPainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TVolumeCapacityPainter"; }
    const char* Caption() const override { return "Vol/Cap"; }
    double Value(const model::TLinkRoute& linkRoute) override;
};

class TPassengerVolumeCapacityPainter : public TAssignmentPainter {
public:
    TPassengerVolumeCapacityPainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TPassengerVolumeCapacityPainter"; }
    const char* Caption() const override { return "Demand/Cap"; }
    /// Adds nothing where the link-route carries no passenger capacity.
    double Accumulate(double running, const model::TLinkRoute& linkRoute) override;
    double Value(const model::TLinkRoute& linkRoute) override;
};

class TServiceLevelPainter : public TColorPainter {
public:
    using TColorPainter::TColorPainter;
    const char* ClassName() const override { return "TServiceLevelPainter"; }
    const char* Caption() const override { return "Service Level"; }
    std::unique_ptr<TColorMap> CreateColorMap() override;
    int LinkColorIndex(const model::TLink& link) override;
};

class TWaitingTimePainter : public TRoutePainter {
public:
    TWaitingTimePainter(model::TProject& project, TNetViewOptions& options);
    const char* ClassName() const override { return "TWaitingTimePainter"; }
    const char* Caption() const override { return "Waiting Time"; }
    /// Adds waiting time x boardings; a total above 10000 drops to 0.
    double Accumulate(double running, const model::TLinkRoute& linkRoute) override;
};

/// The painter classes the window offers for the project, in tab order.
std::vector<std::string> PainterTabs(model::TProject& project);
/// A painter of the named class ("TRoutePainter", ...), with its class defaults; nullptr for a
/// name no painter has.
std::unique_ptr<TPainter> CreatePainter(std::string_view className, model::TProject& project,
                                        TNetViewOptions& options);
/// Every painter class the factory knows.
std::vector<std::string> PainterClassNames();

} // namespace zep::view
