// Which links and nodes a paint of part of the map has to look at: a uniform grid over their
// extents in normalised coordinates, so that painting a zoomed-in view costs what it shows,
// not what the study holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "view/Canvas.h"
#include "view/Scaler.h"

namespace zep::model {
class TLink;
class TNode;
class TProject;
} // namespace zep::model

namespace zep::view {

/// An axis-parallel box in normalised coordinates (y downwards).
struct TNormalBox {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool Meets(const TNormalBox& o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
};

/// Items 0..n-1 with boxes, bucketed in a grid of cells. Queries answer the items whose box
/// meets an area, in ascending item order.
class TGridIndex {
public:
    void Build(std::vector<TNormalBox> boxes);
    std::size_t Count() const { return boxes_.size(); }
    const TNormalBox& Box(std::size_t i) const { return boxes_[i]; }
    /// Appends to `out` (cleared first) every item whose box meets `area`, ascending.
    void Query(const TNormalBox& area, std::vector<std::uint32_t>& out) const;

    /// Boxes over more cells than this are not entered in the cells.
    static constexpr std::size_t kMaxCellsPerItem = 64;

private:
    std::vector<TNormalBox> boxes_;
    std::vector<std::uint32_t> big_; // items tested on every query
    TNormalBox bounds_;
    int columns_ = 0, rows_ = 0;
    double cellW_ = 1, cellH_ = 1;
    std::vector<std::uint32_t> cellStart_; // columns_ * rows_ + 1 offsets into cellItems_
    std::vector<std::uint32_t> cellItems_;
    mutable std::vector<std::uint32_t> stamp_; // last query that saw each item
    mutable std::uint32_t query_ = 0;

    int Column(double x) const;
    int Row(double y) const;
};

/// The links and nodes of a study in grids over their normalised extents, with their courses and
/// positions. The grids follow the scaler's extent and coordinate mode by themselves, and a
/// change in the number of links or nodes; after any other edit of the network (a node moved,
/// a polyline changed, an undo or redo of either) the owner calls Invalidate.
class TNetworkIndex {
public:
    explicit TNetworkIndex(const model::TProject& project) : project_(project) {}

    void Invalidate() { valid_ = false; }

    /// The links whose pixel extent, grown by `margin` pixels on every side, meets `clip`, in
    /// project order.
    void VisibleLinks(const TScaler& scaler, const TPixelRect& clip, int margin,
                      std::vector<model::TLink*>& out);
    /// The nodes (zones included) whose position, grown by the margins, meets `clip`, in
    /// project order. `before` grows left and up, `after` right and down.
    void VisibleNodes(const TScaler& scaler, const TPixelRect& clip, int before, int after,
                      std::vector<model::TNode*>& out);

    /// The pixel rectangle (exclusive right and bottom) covering the link's course.
    static TPixelRect LinkPixelExtent(const TScaler& scaler, const model::TLink& link);

    /// The link's course (tail, polyline points, head) in normalised coordinates as it was when
    /// the grids were built for `scaler`; false when they were built for another scaler or the
    /// link is not the study's. Painting from these spares reading and projecting every point
    /// again on every paint.
    bool LinkCourse(const TScaler& scaler, const model::TLink& link,
                    std::span<const TNormalPoint>& course) const;
    /// The positions in the node list of the link's tail and head (-1: none) as of the last
    /// build; false as for LinkCourse. Marking the nodes a paint's links end at needs no look
    /// at the nodes themselves.
    bool LinkEnds(const TScaler& scaler, const model::TLink& link, std::int32_t& tail,
                  std::int32_t& head) const;
    /// The node's normalised position as of the last build; false as for LinkCourse.
    bool NodePosition(const TScaler& scaler, const model::TNode& node, TNormalPoint& at) const;

    /// How many times the grids were built (for tests and benchmarks).
    unsigned Builds() const { return builds_; }

private:
    void EnsureCurrent(const TScaler& scaler);
    static TPixelRect PixelsOf(const TScaler& scaler, const TNormalBox& box);
    static TNormalBox AreaOf(const TScaler& scaler, const TPixelRect& clip, int before, int after);

    const model::TProject& project_;
    bool valid_ = false;
    const TScaler* scaler_ = nullptr;
    unsigned revision_ = 0;
    std::size_t links_ = 0, nodes_ = 0;
    bool IsCurrentFor(const TScaler& scaler) const {
        return valid_ && scaler_ == &scaler && revision_ == scaler.NormalRevision();
    }

    TGridIndex linkGrid_, nodeGrid_;
    std::vector<std::uint32_t> courseStart_; // per link position, into courses_
    std::vector<TNormalPoint> courses_;
    std::vector<std::int32_t> linkEnds_; // per link position: tail and head node positions
    std::vector<TNormalPoint> nodePoints_;
    std::vector<std::uint32_t> hits_;
    unsigned builds_ = 0;
};

} // namespace zep::view
