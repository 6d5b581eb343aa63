// The small geometry model behind the map's background drawings: named entities with points and
// children, polylines, layers and the model that holds the layers.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "view/Canvas.h"

namespace zep::view {

struct TPoint3 {
    double x = 0;
    double y = 0;
    double z = 0;
    friend bool operator==(const TPoint3&, const TPoint3&) = default;
};

/// A box around points; empty until the first point is added.
struct TExtent {
    TPoint3 min;
    TPoint3 max;
    bool empty = true;

    void Add(const TPoint3& p);
    void Add(const TExtent& e);
    friend bool operator==(const TExtent&, const TExtent&) = default;
};

/// Turns a world point (x, y, z) into a pixel: the map's scaler, or anything a test likes.
using TPointTransform = std::function<TPixel(double x, double y, double z)>;

/// Drawing modes: with kIgnoreOwnColors set, every entity draws with the caller's pen colour.
enum : unsigned { kIgnoreOwnColors = 1 };

/// An entity of the model. It owns its children; a child belongs to one parent at a time.
class TAbstractEntity {
public:
    TAbstractEntity() = default;
    virtual ~TAbstractEntity() = default;
    TAbstractEntity(const TAbstractEntity&) = delete;
    TAbstractEntity& operator=(const TAbstractEntity&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    /// The entity's own colour (0x00BBGGRR), if it has one.
    bool HasColor() const { return hasColor_; }
    TColor Color() const { return color_; }
    void SetColor(TColor color) {
        color_ = color;
        hasColor_ = true;
    }
    void ClearColor() { hasColor_ = false; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool Closed() const { return closed_; }
    void SetClosed(bool closed) { closed_ = closed; }

    std::size_t PointCount() const { return points_.size(); }
    const TPoint3& Point(std::size_t i) const { return points_.at(i); }
    const std::vector<TPoint3>& Points() const { return points_; }
    /// Sets point i, growing the point list (with points at the origin) when i is past its end.
    void SetPoint(std::size_t i, double x, double y, double z);
    /// Sets x and y of point i, keeping z (0 for a new point).
    void SetPointXY(std::size_t i, double x, double y);
    /// Sets z of point i, keeping x and y (0 for a new point).
    void SetPointZ(std::size_t i, double z);
    void AppendPoint(double x, double y, double z = 0);
    /// Shortens the list or extends it with points at the origin.
    void SetPointCount(std::size_t count);
    void ReservePoints(std::size_t count) { points_.reserve(count); }

    std::size_t ChildCount() const { return children_.size(); }
    TAbstractEntity& Child(std::size_t i) const { return *children_.at(i); }
    /// Takes the child and returns it for further use.
    TAbstractEntity& AddChild(std::unique_ptr<TAbstractEntity> child);
    /// Inserts at `index` (clamped to the end).
    TAbstractEntity& InsertChild(std::size_t index, std::unique_ptr<TAbstractEntity> child);
    /// Gives the child back to the caller; null when it is not a child of this entity.
    std::unique_ptr<TAbstractEntity> RemoveChild(const TAbstractEntity& child);
    /// The child's position, or -1.
    int IndexOfChild(const TAbstractEntity& child) const;
    /// Removes points and children.
    virtual void Clear();

    /// Own points and every child's extent, visible or not.
    virtual TExtent Extent() const;
    /// Draws the entity and its children in order, unless hidden. An entity with its own colour
    /// draws (it and its children) with that pen colour unless kIgnoreOwnColors is set; the
    /// caller's pen is restored afterwards, so a colour never leaks to the next entity.
    void Draw(ICanvas& canvas, unsigned mode, const TPointTransform& transform) const;

protected:
    /// Draws the entity's own points; nothing for a plain entity.
    virtual void DrawPoints(ICanvas& canvas, unsigned mode, const TPointTransform& transform) const;

private:
    std::string name_;
    std::vector<TPoint3> points_;
    std::vector<std::unique_ptr<TAbstractEntity>> children_;
    TColor color_ = 0;
    bool hasColor_ = false;
    bool closed_ = false;
    bool visible_ = true;
};

/// Points joined by straight lines: a polygon when closed, else an open polyline.
class TPolyLine : public TAbstractEntity {
protected:
    void DrawPoints(ICanvas& canvas, unsigned mode,
                    const TPointTransform& transform) const override;
};

/// A named group of entities, such as one layer of a drawing.
class TLayer : public TAbstractEntity {};

/// The root of a drawing. It owns its layers, held by name apart from any other children; its
/// extent and drawing take in every layer, drawn in name order after its own points.
class TModel : public TAbstractEntity {
public:
    using TLayers = std::map<std::string, std::unique_ptr<TLayer>, std::less<>>;

    /// The layer of that name, created (empty and visible) on first use.
    TLayer& Layer(std::string_view name);
    /// The layer of that name, or null.
    TLayer* FindLayer(std::string_view name) const;
    std::size_t LayerCount() const { return layers_.size(); }
    const TLayers& Layers() const { return layers_; }
    /// Removes the layers as well.
    void Clear() override;
    TExtent Extent() const override;

protected:
    void DrawPoints(ICanvas& canvas, unsigned mode,
                    const TPointTransform& transform) const override;

private:
    TLayers layers_;
};

} // namespace zep::view
