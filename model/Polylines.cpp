#include "model/Polylines.h"

#include <algorithm>

#include "foundation/Format.h"

namespace zep::model {

namespace {
void CheckIndex(std::size_t index, std::size_t limit) {
    if (index >= limit)
        throw EPolylineIndexError(
            Format("Polyline point index out of range (%d)", {static_cast<std::int64_t>(index)}));
}
} // namespace

std::string FormatG(double v) {
    return Format("%g", {v});
}

std::string TAbstractPolyline::Text() const {
    std::string text;
    for (std::size_t i = 0, n = Count(); i < n; ++i) {
        const TPoint3 p = Point(i);
        if (i > 0) text += ", ";
        text += FormatG(p.x);
        text += '@';
        text += FormatG(p.y);
    }
    return text;
}

TPolyline::TPolyline() = default;
TPolyline::TPolyline(TPoint3Vector points) : points_(std::move(points)) {}
TPolyline::~TPolyline() = default;

TPoint3 TPolyline::Point(std::size_t index) const {
    CheckIndex(index, points_.size());
    return points_[index];
}

void TPolyline::Change(TPoint3Vector next) {
    undo::Perform(std::make_unique<TPolyLineChangeUndoer>(this, std::move(next)));
}

void TPolyline::Append(const TPoint3& p) {
    TPoint3Vector next = points_;
    next.push_back(p);
    Change(std::move(next));
}

void TPolyline::AppendPoints(const TPoint3Vector& points) {
    if (points.empty()) return;
    TPoint3Vector next = points_;
    next.insert(next.end(), points.begin(), points.end());
    Change(std::move(next));
}

void TPolyline::DeletePoint(std::size_t index) {
    CheckIndex(index, points_.size());
    TPoint3Vector next = points_;
    next.erase(next.begin() + static_cast<std::ptrdiff_t>(index));
    Change(std::move(next));
}

void TPolyline::InsertPoint(std::size_t index, const TPoint3& p) {
    CheckIndex(index, points_.size() + 1);
    TPoint3Vector next = points_;
    next.insert(next.begin() + static_cast<std::ptrdiff_t>(index), p);
    Change(std::move(next));
}

TAbstractPolyline& TPolyline::Reverse() {
    if (!reverse_) reverse_ = std::make_unique<TReversePolylineProxy>(*this);
    return *reverse_;
}

void TPolyline::SetPoint(std::size_t index, const TPoint3& p) {
    CheckIndex(index, points_.size());
    if (points_[index] == p) return;
    TPoint3Vector next = points_;
    next[index] = p;
    Change(std::move(next));
}

void TPolyline::SetPoints(const TPoint3Vector& points) {
    if (points == points_) return;
    Change(points);
}

std::size_t TReversePolylineProxy::Mirror(std::size_t index) const {
    CheckIndex(index, target_.Count());
    return target_.Count() - 1 - index;
}

TPoint3 TReversePolylineProxy::Point(std::size_t index) const {
    return target_.Point(Mirror(index));
}

void TReversePolylineProxy::AppendPoints(const TPoint3Vector& points) {
    if (points.empty()) return;
    TPoint3Vector next(points.rbegin(), points.rend());
    const TPoint3Vector& own = target_.RawPoints();
    next.insert(next.end(), own.begin(), own.end());
    target_.SetPoints(next);
}

void TReversePolylineProxy::DeletePoint(std::size_t index) {
    target_.DeletePoint(Mirror(index));
}

void TReversePolylineProxy::InsertPoint(std::size_t index, const TPoint3& p) {
    CheckIndex(index, target_.Count() + 1);
    target_.InsertPoint(target_.Count() - index, p);
}

void TReversePolylineProxy::SetPoint(std::size_t index, const TPoint3& p) {
    target_.SetPoint(Mirror(index), p);
}

TPoint3Vector TReversePolylineProxy::Points() const {
    const TPoint3Vector& own = target_.RawPoints();
    return TPoint3Vector(own.rbegin(), own.rend());
}

void TReversePolylineProxy::SetPoints(const TPoint3Vector& points) {
    target_.SetPoints(TPoint3Vector(points.rbegin(), points.rend()));
}

std::string PolylineRecordText(std::int32_t tail, std::int32_t head,
                               const TAbstractPolyline& polyline) {
    std::string text = std::to_string(tail) + ", " + std::to_string(head);
    for (std::size_t i = 0, n = polyline.Count(); i < n; ++i) {
        const TPoint3 p = polyline.Point(i);
        text += ", ";
        text += FormatG(p.x);
        text += '@';
        text += FormatG(p.y);
    }
    return text;
}

namespace {
std::int32_t ReadIdField(std::string_view field, int position) {
    std::int64_t v = 0;
    if (!TryStrToInt64(field, v) || v < INT32_MIN || v > INT32_MAX)
        throw EPolylineFormatError(Format("Bad node identifier in polyline record field %d: \"%s\"",
                                          {std::int64_t{position}, std::string(Trim(field))}));
    return static_cast<std::int32_t>(v);
}
} // namespace

bool ParsePolylineRecord(std::string_view line, TPolylineRecord& record) {
    if (Trim(line).empty()) return false;
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(
            line.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (fields.size() < 2)
        throw EPolylineFormatError(
            Format("Polyline record without head node: \"%s\"", {std::string(Trim(line))}));
    TPolylineRecord r;
    r.tail = ReadIdField(fields[0], 1);
    r.head = ReadIdField(fields[1], 2);
    for (std::size_t i = 2; i < fields.size(); ++i) {
        const std::string_view f = fields[i];
        const std::size_t at = f.find('@');
        TPoint3 p;
        if (at == std::string_view::npos || !TryStrToFloat(f.substr(0, at), p.x) ||
            !TryStrToFloat(f.substr(at + 1), p.y))
            throw EPolylineFormatError(
                Format("Bad point in polyline record field %d: \"%s\"",
                       {static_cast<std::int64_t>(i + 1), std::string(Trim(f))}));
        r.points.push_back(p);
    }
    record = std::move(r);
    return true;
}

} // namespace zep::model
