// Polylines: the intermediate points of a link's drawn course, their reversed view, the undo
// step that restores them, and the text record in which they are exchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/SmallObjectPool.h"
#include "undo/Undo_.h"

namespace zep::model {

/// A polyline index outside 0..Count-1 (0..Count for insertion).
ZEP_DECLARE_EXCEPTION(EPolylineIndexError, Exception);
/// A polyline record whose fields are not numbers.
ZEP_DECLARE_EXCEPTION(EPolylineFormatError, Exception);

/// A planar position.
struct TFloatPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const TFloatPoint&, const TFloatPoint&) = default;
};

/// A polyline point.
struct TPoint3 {
    double x = 0;
    double y = 0;
    double z = 0;
    friend bool operator==(const TPoint3&, const TPoint3&) = default;
};

using TPoint3Vector = std::vector<TPoint3>;

/// The polyline interface. Indexes run from 0; an index out of range raises
/// EPolylineIndexError.
class TAbstractPolyline {
public:
    virtual ~TAbstractPolyline() = default;
    /// The points as "x@y" fields separated by ", " (each number in "%g").
    virtual std::string Text() const;
    virtual std::size_t Count() const = 0;
    virtual TPoint3 Point(std::size_t index) const = 0;
    virtual void Append(const TPoint3& p) = 0;
    virtual void AppendPoints(const TPoint3Vector& points) = 0;
    virtual void DeletePoint(std::size_t index) = 0;
    /// Inserts before `index` (0..Count).
    virtual void InsertPoint(std::size_t index, const TPoint3& p) = 0;
    /// The same points in reverse order; changes through it reach this polyline.
    virtual TAbstractPolyline& Reverse() = 0;
    virtual void SetPoint(std::size_t index, const TPoint3& p) = 0;
    virtual TPoint3Vector Points() const = 0;
    virtual void SetPoints(const TPoint3Vector& points) = 0;

    bool IsEmpty() const { return Count() == 0; }
    /// Whether this is a reversed view of another polyline.
    virtual bool IsProxy() const { return false; }
};

class TReversePolylineProxy;

/// A polyline that holds its points. Every change is one undo step (TPolyLineChangeUndoer)
/// while an undo transaction is open. Pooled: a study has one per link.
class TPolyline : public TAbstractPolyline, public TPooled {
public:
    TPolyline();
    explicit TPolyline(TPoint3Vector points);
    ~TPolyline() override;
    TPolyline(const TPolyline&) = delete;
    TPolyline& operator=(const TPolyline&) = delete;

    std::size_t Count() const override { return points_.size(); }
    TPoint3 Point(std::size_t index) const override;
    void Append(const TPoint3& p) override;
    void AppendPoints(const TPoint3Vector& points) override;
    void DeletePoint(std::size_t index) override;
    void InsertPoint(std::size_t index, const TPoint3& p) override;
    TAbstractPolyline& Reverse() override;
    void SetPoint(std::size_t index, const TPoint3& p) override;
    TPoint3Vector Points() const override { return points_; }
    void SetPoints(const TPoint3Vector& points) override;

    const TPoint3Vector& RawPoints() const { return points_; }
    /// Counts every change of the points (and its undo): geometry derived from the points is
    /// stale once it differs.
    std::uint32_t Revision() const { return revision_; }

private:
    friend class TPolyLineChangeUndoer;
    /// Installs `next` through an undo step.
    void Change(TPoint3Vector next);

    TPoint3Vector points_;
    std::unique_ptr<TReversePolylineProxy> reverse_;
    std::uint32_t revision_ = 0;
};

/// Another polyline's points in reverse order: point i is the underlying point Count-1-i.
class TReversePolylineProxy : public TAbstractPolyline {
public:
    explicit TReversePolylineProxy(TPolyline& target) : target_(target) {}

    std::size_t Count() const override { return target_.Count(); }
    TPoint3 Point(std::size_t index) const override;
    void Append(const TPoint3& p) override { target_.InsertPoint(0, p); }
    void AppendPoints(const TPoint3Vector& points) override;
    void DeletePoint(std::size_t index) override;
    void InsertPoint(std::size_t index, const TPoint3& p) override;
    TAbstractPolyline& Reverse() override { return target_; }
    void SetPoint(std::size_t index, const TPoint3& p) override;
    TPoint3Vector Points() const override;
    void SetPoints(const TPoint3Vector& points) override;
    bool IsProxy() const override { return true; }

private:
    std::size_t Mirror(std::size_t index) const;
    TPolyline& target_;
};

/// Keeps a full copy of one polyline's points; doing, undoing and redoing swap it with the
/// polyline's points.
class TPolyLineChangeUndoer : public undo::TUndoer {
public:
    TPolyLineChangeUndoer(TPolyline* polyline, TPoint3Vector points)
        : polyline_(polyline), points_(std::move(points)) {}
    void Do() override {
        polyline_->points_.swap(points_);
        ++polyline_->revision_;
    }
    void Undo() override { Do(); }
    void Redo() override { Do(); }

private:
    TPolyline* polyline_;
    TPoint3Vector points_;
};

/// A number in the general "%g" form of Format.
std::string FormatG(double v);

/// One polyline record: tail identifier, ", ", head identifier, then ", x@y" per point.
std::string PolylineRecordText(std::int32_t tail, std::int32_t head,
                               const TAbstractPolyline& polyline);

/// A record read back from text.
struct TPolylineRecord {
    std::int32_t tail = 0;
    std::int32_t head = 0;
    TPoint3Vector points;
};

/// Parses one record. false for a blank line (no record). A malformed record raises
/// EPolylineFormatError naming the field.
bool ParsePolylineRecord(std::string_view line, TPolylineRecord& record);

} // namespace zep::model
