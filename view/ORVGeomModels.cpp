#include "view/ORVGeomModels.h"

#include <algorithm>

namespace zep::view {

void TExtent::Add(const TPoint3& p) {
    if (empty) {
        min = max = p;
        empty = false;
        return;
    }
    min.x = std::min(min.x, p.x);
    min.y = std::min(min.y, p.y);
    min.z = std::min(min.z, p.z);
    max.x = std::max(max.x, p.x);
    max.y = std::max(max.y, p.y);
    max.z = std::max(max.z, p.z);
}

void TExtent::Add(const TExtent& e) {
    if (e.empty) return;
    Add(e.min);
    Add(e.max);
}

void TAbstractEntity::SetPoint(std::size_t i, double x, double y, double z) {
    if (i >= points_.size()) points_.resize(i + 1);
    points_[i] = {x, y, z};
}

void TAbstractEntity::SetPointXY(std::size_t i, double x, double y) {
    if (i >= points_.size()) points_.resize(i + 1);
    points_[i].x = x;
    points_[i].y = y;
}

void TAbstractEntity::SetPointZ(std::size_t i, double z) {
    if (i >= points_.size()) points_.resize(i + 1);
    points_[i].z = z;
}

void TAbstractEntity::AppendPoint(double x, double y, double z) {
    points_.push_back({x, y, z});
}

void TAbstractEntity::SetPointCount(std::size_t count) {
    points_.resize(count);
}

TAbstractEntity& TAbstractEntity::AddChild(std::unique_ptr<TAbstractEntity> child) {
    children_.push_back(std::move(child));
    return *children_.back();
}

TAbstractEntity& TAbstractEntity::InsertChild(std::size_t index,
                                              std::unique_ptr<TAbstractEntity> child) {
    index = std::min(index, children_.size());
    return **children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index),
                              std::move(child));
}

std::unique_ptr<TAbstractEntity> TAbstractEntity::RemoveChild(const TAbstractEntity& child) {
    const int i = IndexOfChild(child);
    if (i < 0) return nullptr;
    auto it = children_.begin() + i;
    std::unique_ptr<TAbstractEntity> out = std::move(*it);
    children_.erase(it);
    return out;
}

int TAbstractEntity::IndexOfChild(const TAbstractEntity& child) const {
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i].get() == &child) return static_cast<int>(i);
    return -1;
}

void TAbstractEntity::Clear() {
    points_.clear();
    children_.clear();
}

TExtent TAbstractEntity::Extent() const {
    TExtent e;
    for (const TPoint3& p : points_)
        e.Add(p);
    for (const auto& c : children_)
        e.Add(c->Extent());
    return e;
}

void TAbstractEntity::Draw(ICanvas& canvas, unsigned mode, const TPointTransform& transform) const {
    if (!visible_) return;
    const bool ownColor = hasColor_ && !(mode & kIgnoreOwnColors);
    TPen saved;
    if (ownColor) {
        saved = canvas.Pen();
        TPen pen = saved;
        pen.color = color_;
        canvas.SetPen(pen);
    }
    DrawPoints(canvas, mode, transform);
    for (const auto& c : children_)
        c->Draw(canvas, mode, transform);
    if (ownColor) canvas.SetPen(saved);
}

void TAbstractEntity::DrawPoints(ICanvas&, unsigned, const TPointTransform&) const {}

void TPolyLine::DrawPoints(ICanvas& canvas, unsigned, const TPointTransform& transform) const {
    const std::vector<TPoint3>& pts = Points();
    if (pts.empty()) return;
    std::vector<TPixel> pixels;
    pixels.reserve(pts.size());
    for (const TPoint3& p : pts)
        pixels.push_back(transform(p.x, p.y, p.z));
    if (Closed())
        canvas.Polygon(pixels);
    else
        canvas.Polyline(pixels);
}

TLayer& TModel::Layer(std::string_view name) {
    auto it = layers_.find(name);
    if (it == layers_.end()) {
        auto layer = std::make_unique<TLayer>();
        layer->SetName(std::string(name));
        it = layers_.emplace(std::string(name), std::move(layer)).first;
    }
    return *it->second;
}

TLayer* TModel::FindLayer(std::string_view name) const {
    auto it = layers_.find(name);
    return it == layers_.end() ? nullptr : it->second.get();
}

void TModel::Clear() {
    layers_.clear();
    TAbstractEntity::Clear();
}

TExtent TModel::Extent() const {
    TExtent e = TAbstractEntity::Extent();
    for (const auto& [name, layer] : layers_)
        e.Add(layer->Extent());
    return e;
}

void TModel::DrawPoints(ICanvas& canvas, unsigned mode, const TPointTransform& transform) const {
    for (const auto& [name, layer] : layers_)
        layer->Draw(canvas, mode, transform);
}

} // namespace zep::view
