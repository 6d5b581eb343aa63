#include "view/MapIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "view/Scaler.h"

namespace zep::view {

// ---- the grid ----------------------------------------------------------------------------------

void TGridIndex::Build(std::vector<TNormalBox> boxes) {
    boxes_ = std::move(boxes);
    stamp_.assign(boxes_.size(), 0);
    query_ = 0;
    const double inf = std::numeric_limits<double>::infinity();
    bounds_ = {inf, inf, -inf, -inf};
    for (const TNormalBox& b : boxes_) {
        bounds_.minX = std::min(bounds_.minX, b.minX);
        bounds_.minY = std::min(bounds_.minY, b.minY);
        bounds_.maxX = std::max(bounds_.maxX, b.maxX);
        bounds_.maxY = std::max(bounds_.maxY, b.maxY);
    }
    if (boxes_.empty()) bounds_ = {};
    // About two items per cell keeps both the cell walk and the per-item test short.
    const int side = std::clamp(int(std::sqrt(double(boxes_.size()) / 2)), 1, 1024);
    columns_ = rows_ = side;
    cellW_ = (bounds_.maxX - bounds_.minX) / columns_;
    cellH_ = (bounds_.maxY - bounds_.minY) / rows_;
    if (!(cellW_ > 0)) cellW_ = 1;
    if (!(cellH_ > 0)) cellH_ = 1;

    const std::size_t cells = std::size_t(columns_) * std::size_t(rows_);
    std::vector<std::uint32_t> count(cells + 1, 0);
    // A box over many cells would be entered in each: a study of long links (spokes of a star,
    // a course bent out to a far point) would need memory of links times cells. Such boxes
    // are kept apart and tested on every query instead.
    big_.clear();
    std::vector<char> isBig(boxes_.size(), 0);
    for (std::uint32_t i = 0; i < boxes_.size(); ++i) {
        const TNormalBox& b = boxes_[i];
        const std::size_t covered = std::size_t(Column(b.maxX) - Column(b.minX) + 1) *
                                    std::size_t(Row(b.maxY) - Row(b.minY) + 1);
        if (covered > kMaxCellsPerItem) {
            big_.push_back(i);
            isBig[i] = 1;
        }
    }
    for (std::uint32_t i = 0; i < boxes_.size(); ++i) {
        if (isBig[i]) continue;
        const TNormalBox& b = boxes_[i];
        for (int r = Row(b.minY); r <= Row(b.maxY); ++r)
            for (int c = Column(b.minX); c <= Column(b.maxX); ++c)
                ++count[std::size_t(r) * columns_ + c + 1];
    }
    for (std::size_t i = 1; i <= cells; ++i)
        count[i] += count[i - 1];
    cellStart_ = count;
    cellItems_.assign(cellStart_.back(), 0);
    for (std::uint32_t i = 0; i < boxes_.size(); ++i) {
        if (isBig[i]) continue;
        const TNormalBox& b = boxes_[i];
        for (int r = Row(b.minY); r <= Row(b.maxY); ++r)
            for (int c = Column(b.minX); c <= Column(b.maxX); ++c)
                cellItems_[count[std::size_t(r) * columns_ + c]++] = i;
    }
}

int TGridIndex::Column(double x) const {
    const double c = std::floor((x - bounds_.minX) / cellW_);
    return !(c > 0) ? 0 : (c >= columns_ ? columns_ - 1 : int(c)); // NaN lands in 0
}

int TGridIndex::Row(double y) const {
    const double r = std::floor((y - bounds_.minY) / cellH_);
    return !(r > 0) ? 0 : (r >= rows_ ? rows_ - 1 : int(r));
}

void TGridIndex::Query(const TNormalBox& area, std::vector<std::uint32_t>& out) const {
    out.clear();
    if (boxes_.empty() || !area.Meets(bounds_)) return;
    const int c0 = Column(area.minX), c1 = Column(area.maxX);
    const int r0 = Row(area.minY), r1 = Row(area.maxY);
    const std::size_t cellsCovered = std::size_t(c1 - c0 + 1) * std::size_t(r1 - r0 + 1);
    // A view of most of the map: one pass in item order beats gathering and sorting.
    if (cellsCovered * 4 >= std::size_t(columns_) * std::size_t(rows_)) {
        for (std::uint32_t i = 0; i < boxes_.size(); ++i)
            if (boxes_[i].Meets(area)) out.push_back(i);
        return;
    }
    if (++query_ == 0) { // the stamps wrapped around: start afresh
        std::fill(stamp_.begin(), stamp_.end(), 0);
        query_ = 1;
    }
    for (std::uint32_t i : big_)
        if (boxes_[i].Meets(area)) out.push_back(i);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            const std::size_t cell = std::size_t(r) * columns_ + c;
            for (std::uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
                const std::uint32_t i = cellItems_[k];
                if (stamp_[i] == query_) continue;
                stamp_[i] = query_;
                if (boxes_[i].Meets(area)) out.push_back(i);
            }
        }
    std::sort(out.begin(), out.end());
}

// ---- the study's links and nodes --------------------------------------------------------------

void TNetworkIndex::EnsureCurrent(const TScaler& scaler) {
    const model::TLinkList& links = project_.Links();
    const model::TNodeList& nodes = project_.Nodes();
    if (IsCurrentFor(scaler) && links_ == links.Count() && nodes_ == nodes.Count()) return;
    std::vector<TNormalBox> boxes;
    boxes.reserve(links.Count());
    courseStart_.assign(1, 0);
    courses_.clear();
    linkEnds_.clear();
    linkEnds_.reserve(2 * links.Count());
    const double inf = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        TNormalBox b{inf, inf, -inf, -inf};
        for (const model::TFloatPoint& p : links.Get(i)->GeometryPoints()) {
            const TNormalPoint n = scaler.WorldToNormal(p);
            courses_.push_back(n);
            b.minX = std::min(b.minX, n.x);
            b.minY = std::min(b.minY, n.y);
            b.maxX = std::max(b.maxX, n.x);
            b.maxY = std::max(b.maxY, n.y);
        }
        boxes.push_back(b);
        courseStart_.push_back(std::uint32_t(courses_.size()));
        for (const model::TNode* end : {links.Get(i)->Tail(), links.Get(i)->Head()})
            linkEnds_.push_back(end ? end->ListIndex() : -1);
    }
    linkGrid_.Build(std::move(boxes));
    boxes.clear();
    boxes.reserve(nodes.Count());
    nodePoints_.clear();
    for (std::size_t i = 0; i < nodes.Count(); ++i) {
        const TNormalPoint n = scaler.WorldToNormal(nodes.Get(i)->Position());
        nodePoints_.push_back(n);
        boxes.push_back({n.x, n.y, n.x, n.y});
    }
    nodeGrid_.Build(std::move(boxes));
    valid_ = true;
    scaler_ = &scaler;
    revision_ = scaler.NormalRevision();
    links_ = links.Count();
    nodes_ = nodes.Count();
    ++builds_;
}

TPixelRect TNetworkIndex::PixelsOf(const TScaler& scaler, const TNormalBox& box) {
    const TPixel a = scaler.NormalToPixel({box.minX, box.minY, 0});
    const TPixel b = scaler.NormalToPixel({box.maxX, box.maxY, 0});
    return {a.x, a.y, b.x + 1, b.y + 1};
}

TNormalBox TNetworkIndex::AreaOf(const TScaler& scaler, const TPixelRect& clip, int before,
                                 int after) {
    // One pixel more on each side than asked: rounding must never lose a candidate.
    const TNormalPoint a =
        scaler.PixelToNormal(double(clip.left) - before - 1.0, double(clip.top) - before - 1.0);
    const TNormalPoint b =
        scaler.PixelToNormal(double(clip.right) + after + 1.0, double(clip.bottom) + after + 1.0);
    return {a.x, a.y, b.x, b.y};
}

namespace {

/// The normalised box inside which a box surely meets `grown` once both are in pixels: a pixel
/// to spare on each side keeps rounding, and the round trip through normalised coordinates,
/// from deciding otherwise. Boxes that reach into it are taken without converting them.
TNormalBox SureArea(const TScaler& scaler, const TPixelRect& grown) {
    const TNormalPoint a = scaler.PixelToNormal(double(grown.left) + 1.0, double(grown.top) + 1.0);
    const TNormalPoint b =
        scaler.PixelToNormal(double(grown.right) - 2.0, double(grown.bottom) - 2.0);
    return {a.x, a.y, b.x, b.y};
}

bool Reaches(const TNormalBox& box, const TNormalBox& sure) {
    return box.minX < sure.maxX && box.maxX > sure.minX && box.minY < sure.maxY &&
           box.maxY > sure.minY;
}

} // namespace

void TNetworkIndex::VisibleLinks(const TScaler& scaler, const TPixelRect& clip, int margin,
                                 std::vector<model::TLink*>& out) {
    out.clear();
    EnsureCurrent(scaler);
    linkGrid_.Query(AreaOf(scaler, clip, margin, margin), hits_);
    const TPixelRect grown{clip.left - margin, clip.top - margin, clip.right + margin,
                           clip.bottom + margin};
    const TNormalBox sure = SureArea(scaler, grown);
    const model::TLinkList& links = project_.Links();
    for (std::uint32_t i : hits_) {
        const TNormalBox& box = linkGrid_.Box(i);
        if (Reaches(box, sure) || PixelsOf(scaler, box).Meets(grown)) out.push_back(links.Get(i));
    }
}

void TNetworkIndex::VisibleNodes(const TScaler& scaler, const TPixelRect& clip, int before,
                                 int after, std::vector<model::TNode*>& out) {
    out.clear();
    EnsureCurrent(scaler);
    nodeGrid_.Query(AreaOf(scaler, clip, before, after), hits_);
    const TPixelRect grown{clip.left - before, clip.top - before, clip.right + after,
                           clip.bottom + after};
    const TNormalBox sure = SureArea(scaler, grown);
    const model::TNodeList& nodes = project_.Nodes();
    for (std::uint32_t i : hits_) {
        const TNormalBox& box = nodeGrid_.Box(i);
        if (Reaches(box, sure) || PixelsOf(scaler, box).Meets(grown)) out.push_back(nodes.Get(i));
    }
}

bool TNetworkIndex::LinkCourse(const TScaler& scaler, const model::TLink& link,
                               std::span<const TNormalPoint>& course) const {
    const std::int32_t i = link.ListIndex();
    if (!IsCurrentFor(scaler) || i < 0 || std::size_t(i) >= links_ ||
        links_ != project_.Links().Count() || project_.Links().Get(std::size_t(i)) != &link)
        return false;
    course = std::span<const TNormalPoint>(courses_.data() + courseStart_[std::size_t(i)],
                                           courseStart_[std::size_t(i) + 1] -
                                               courseStart_[std::size_t(i)]);
    return true;
}

bool TNetworkIndex::LinkEnds(const TScaler& scaler, const model::TLink& link, std::int32_t& tail,
                             std::int32_t& head) const {
    const std::int32_t i = link.ListIndex();
    if (!IsCurrentFor(scaler) || i < 0 || std::size_t(i) >= links_ ||
        links_ != project_.Links().Count() || project_.Links().Get(std::size_t(i)) != &link)
        return false;
    tail = linkEnds_[2 * std::size_t(i)];
    head = linkEnds_[2 * std::size_t(i) + 1];
    return true;
}

bool TNetworkIndex::NodePosition(const TScaler& scaler, const model::TNode& node,
                                 TNormalPoint& at) const {
    const std::int32_t i = node.ListIndex();
    if (!IsCurrentFor(scaler) || i < 0 || std::size_t(i) >= nodes_ ||
        nodes_ != project_.Nodes().Count() || project_.Nodes().Get(std::size_t(i)) != &node)
        return false;
    at = nodePoints_[std::size_t(i)];
    return true;
}

TPixelRect TNetworkIndex::LinkPixelExtent(const TScaler& scaler, const model::TLink& link) {
    TPixelRect r{std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                 std::numeric_limits<int>::min(), std::numeric_limits<int>::min()};
    for (const model::TFloatPoint& p : link.GeometryPoints()) {
        const TPixel q = scaler.WorldToPixel(p);
        r.left = std::min(r.left, q.x);
        r.top = std::min(r.top, q.y);
        r.right = std::max(r.right, q.x + 1);
        r.bottom = std::max(r.bottom, q.y + 1);
    }
    return r;
}

} // namespace zep::view
