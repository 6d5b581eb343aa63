// Areas of the map in world coordinates: nothing, one rectangle, or an ordered combination; their
// extent and point test, and their XML form under the element "selection".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Exception.h"
#include "model/Polylines.h"

namespace zep {
class TXMLGenerator;
namespace minidom {
class TElement;
}
} // namespace zep

namespace zep::analysis {

/// An element name that no selection class registered ("Unknown element \"%s\" found").
ZEP_DECLARE_EXCEPTION(ESelectionError, Exception);

/// An axis-parallel world rectangle; `empty` covers nothing, and growing it by a point makes it
/// that point.
struct TWorldRect {
    double left = 0, top = 0, right = 0, bottom = 0; // left <= right, top <= bottom when set
    bool empty = true;

    static TWorldRect Of(double x1, double y1, double x2, double y2);
    void Include(model::TFloatPoint p);
    void Include(const TWorldRect& r);
    /// Inclusive at the borders; nothing is inside the empty rectangle.
    bool Contains(model::TFloatPoint p) const;
    friend bool operator==(const TWorldRect&, const TWorldRect&) = default;
};

/// A selection: an immutable value shared through std::shared_ptr.
class ISelection {
public:
    virtual ~ISelection() = default;
    virtual bool Contains(model::TFloatPoint p) const = 0;
    /// The name of the selection's own XML element ("" for the empty selection).
    virtual std::string ElementName() const = 0;
    virtual TWorldRect Extent() const = 0;
    /// Fills this (freshly made) selection from its element.
    virtual void Read(const minidom::TElement& element) = 0;
    /// Writes the selection's own element.
    virtual void Write(TXMLGenerator& generator) const = 0;
};

using PSelection = std::shared_ptr<const ISelection>;

class TEmptySelection : public ISelection {
public:
    bool Contains(model::TFloatPoint) const override { return false; }
    std::string ElementName() const override { return ""; }
    TWorldRect Extent() const override { return {}; }
    void Read(const minidom::TElement&) override {}
    void Write(TXMLGenerator&) const override {}
};

/// One world rectangle given by two corners in any order; the z values are carried but never
/// written.
class TCubeSelection : public ISelection {
public:
    TCubeSelection() = default;
    TCubeSelection(model::TPoint3 a, model::TPoint3 b) : a_(a), b_(b) {}
    bool Contains(model::TFloatPoint p) const override { return Extent().Contains(p); }
    std::string ElementName() const override { return "rectangle"; }
    TWorldRect Extent() const override { return TWorldRect::Of(a_.x, a_.y, b_.x, b_.y); }
    /// "top", "left", "bottom", "right"; a missing or malformed number reads as not-a-number.
    void Read(const minidom::TElement& element) override;
    void Write(TXMLGenerator& generator) const override;
    model::TPoint3 First() const { return a_; }
    model::TPoint3 Second() const { return b_; }

private:
    model::TPoint3 a_, b_;
};

/// An ordered list of selections.
class TCompositeSelection : public ISelection {
public:
    TCompositeSelection() = default;
    explicit TCompositeSelection(std::vector<PSelection> members) : members_(std::move(members)) {}
    bool Contains(model::TFloatPoint p) const override;
    std::string ElementName() const override { return "composite"; }
    /// The union of the members' extents.
    TWorldRect Extent() const override;
    /// One member per child element, in order, made through the registry.
    void Read(const minidom::TElement& element) override;
    void Write(TXMLGenerator& generator) const override;
    const std::vector<PSelection>& Members() const { return members_; }

private:
    std::vector<PSelection> members_;
};

/// The element name of a selection class: the class name without "Selection" (any case),
/// lower-cased, a leading "t" dropped ("TCubeSelection" gives "cube").
std::string SelectionElementName(const std::string& className);
/// Registers a selection class under an element name (a later registration replaces it).
void RegisterSelectionClass(const std::string& elementName,
                            std::function<std::shared_ptr<ISelection>()> create);
/// A new selection of the class registered for `elementName`, filled from `element`.
PSelection CreateSelection(const minidom::TElement& element);

/// No selection: the empty selection; one: that selection; more: a composite of the non-empty
/// ones in order.
PSelection Combine(const std::vector<PSelection>& selections);
/// The child "selection" of `parent` as a selection (empty when missing or childless).
PSelection ReadSelection(const minidom::TElement& parent);
/// The element "selection" around the selection's own element.
void WriteSelection(TXMLGenerator& generator, const ISelection& selection);

} // namespace zep::analysis
